#pragma once

#include <QFrame>
#include <QString>
#include <array>

class QKeyEvent;
class QLineEdit;

// An IPv4 address entry that types like the Windows IP address control: four
// decimal octets shown as dotted decimal. Digits fill an octet; "." or a full
// octet (three digits, or a value that cannot take another digit) moves on to the
// next one; Backspace at the start of an octet moves back into the previous one
// and erases its last digit; Left and Right cross octets at their edges. A value
// typed above 255 becomes 255.
//
// text() is always four numbers 0-255 joined by dots; a blank octet counts as 0.
// setText() reads a stored text part by part: a part that is missing or is no
// number shows 0, a part above 255 shows 255.
class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    static constexpr int OctetCount = 4;

    explicit IpAddressEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& stored);

    // The octets as they are shown, blank octets as "" (for tests and the curious).
    QString octetText(int octet) const;
    int currentOctet() const; // the octet that has (or last had) the focus

    // How a stored text reads, without a widget: "10.x.300" gives "10.0.255.0".
    static QString normalized(const QString& stored);

    QSize sizeHint() const override;

signals:
    void textChanged(const QString& text); // by the user or by setText()
    void textEdited(const QString& text);  // by the user only

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int octetIndexOf(QObject* object) const;
    bool handleKey(int octet, const QKeyEvent* key);
    void afterEdit(int octet);
    void focusOctet(int octet, bool selectAll);
    void normalizeOctet(int octet);

    std::array<QLineEdit*, OctetCount> m_octets{};
    int m_current = 0;
    int m_advancedInto = -1; // the octet a full octet just moved on to
    bool m_settingText = false;
};

#pragma once

#include <QFrame>
#include <QString>
#include <array>

class QKeyEvent;
class QLineEdit;

// An IPv4 address entry that types like the Windows IP address control: four
// decimal octets shown as dotted decimal. Digits fill an octet; "." or a full
// octet (three digits) moves on to the next one; Backspace at the start of an octet
// moves back into the previous one and erases its last digit; Left and Right cross
// octets at their edges.
//
// What the entry shows is what it gives: a value typed (or pasted) above 255 shows
// 255 at once, the entry beeps and a tooltip at the octet names the value refused;
// the corrected octet keeps the focus and takes no further digit, so nothing typed
// after it slides into the next octet. An octet shows its number ("01" shows "1", a
// blank octet "0") when the focus leaves it and when text() is read.
//
// Pasting a dotted address (one to four parts of digits, Ctrl+V or Shift+Ins) fills
// the whole entry from its first octet, missing parts 0; other pasted text goes into
// the octet, where only up to three digits are taken.
//
// text() is always four numbers 0-255 joined by dots; a blank octet counts as 0.
// setText() reads a stored text part by part: a part that is missing or is no
// number shows 0, a part above 255 shows 255.
class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    static constexpr int OctetCount = 4;

    explicit IpAddressEdit(QWidget* parent = nullptr);

    // The address; the octets then show the numbers that it holds.
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
    QString address() const;
    int octetIndexOf(QObject* object) const;
    bool handleKey(int octet, const QKeyEvent* key);
    bool pasteAddress();
    void afterEdit(int octet);
    void refuseValue(int octet, const QString& typed);
    void focusOctet(int octet, bool selectAll);
    void showStoredNumber(int octet) const;

    std::array<QLineEdit*, OctetCount> m_octets{};
    int m_current = 0;
    int m_advancedInto = -1;            // the octet a full octet just moved on to
    mutable bool m_settingText = false; // octets change without the address changing
};

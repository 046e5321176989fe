#pragma once

#include <QDialog>

class Desktop;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The About box: the program's name, version, maker and credits, a mail link and a
// web link. One instance is created hidden at start-up and shown modally each time.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 297;
    static constexpr int ClientHeight = 361;

    explicit TAboutBox(Desktop& desktop, QWidget* parent = nullptr);

    // Controls. All but OKButton lie on Panel1. Copyright, Label5 and Label6 hold no
    // text and stay hidden.
    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QPushButton* OKButton = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Image1 = nullptr;

public slots:
    void Label4Click();
    void Image1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    QLabel* addLabel(const QString& name, const QString& text, int left, int top);
    // Drops every character typed into the credits and the Enter key, so that the
    // credits stay as they are and Enter in them does not close the box.
    bool Memo1KeyPress(const QKeyEvent* event);
    // A left click on a link label: press and release inside it.
    bool handleLinkClick(QLabel* link, const QEvent* event);

    Desktop& m_desktop;
    bool m_placed = false; // centred again when first shown
};

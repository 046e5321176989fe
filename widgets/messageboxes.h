#pragma once

#include <QString>

class QWidget;

// Platform message-box flags and answers, by their platform names, so that every
// question and warning of the program reads like the call it stands for.
namespace Mb {
constexpr unsigned OK = 0x0;
constexpr unsigned YESNO = 0x4;
constexpr unsigned ICONHAND = 0x10; // stop icon
constexpr unsigned ICONQUESTION = 0x20;
constexpr unsigned ICONWARNING = 0x30;
constexpr unsigned ICONINFORMATION = 0x40;
constexpr unsigned DEFBUTTON2 = 0x100;
constexpr unsigned IconMask = 0xF0;
constexpr unsigned ButtonMask = 0xF;
constexpr unsigned DefaultMask = 0xF00;
} // namespace Mb

namespace Id {
constexpr int OK = 1;
constexpr int YES = 6;
constexpr int NO = 7;
} // namespace Id

// Every message box of the program goes through this interface, so that tests can
// answer it without a modal loop. The caption is always the application title.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A platform-style message box owned by owner (null: none). "\r" in text is a line
    // break. Returns the answer (Id::YES, Id::NO, Id::OK).
    virtual int show(QWidget* owner, const QString& text, unsigned flags) = 0;

    // A plain message dialog: OK only, no icon, centred on the screen.
    virtual void showMessage(const QString& text) = 0;
};

// The real message boxes, on QMessageBox.
class QtMessageBoxes final : public MessageBoxes {
public:
    int show(QWidget* owner, const QString& text, unsigned flags) override;
    void showMessage(const QString& text) override;

    // The text as a Qt message box shows it: each "\r" (and "\r\n") becomes a line break.
    static QString displayText(const QString& text);
};

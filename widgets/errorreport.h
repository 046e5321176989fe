#pragma once

#include <QString>
#include <exception>

class MessageBoxes;
class QWidget;

// The application error report: the one place where an error that leaves a
// handler is shown. A message box with the error's text (a full stop appended when
// the text's last character sorts after "."), the application title as caption, a
// stop icon and OK. The rest of the handler is skipped; the program goes on.
class ErrorReport {
public:
    explicit ErrorReport(MessageBoxes& messages) : m_messages(messages) {}

    // The text as the report shows it.
    static QString reportText(const QString& message);

    void show(const QString& message) const;
    void show(const std::exception& error) const;

    // Runs a handler; an error that leaves it is shown. Answers whether it ran through.
    template <typename Handler> bool run(Handler&& handler) const noexcept {
        try {
            handler();
            return true;
        } catch (const std::exception& error) {
            show(error);
        } catch (...) {
            show(QStringLiteral("Unknown error"));
        }
        return false;
    }

private:
    MessageBoxes& m_messages;
};

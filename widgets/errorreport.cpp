#include "widgets/errorreport.h"

#include "widgets/messageboxes.h"

QString ErrorReport::reportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ErrorReport::show(const QString& message) const {
    try {
        m_messages.show(nullptr, reportText(message), Mb::OK | Mb::ICONHAND);
    } catch (...) {
        // The report is the last stop for an error: it never throws itself.
    }
}

void ErrorReport::show(const std::exception& error) const {
    show(QString::fromUtf8(error.what()));
}

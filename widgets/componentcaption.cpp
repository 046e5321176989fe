#include "widgets/componentcaption.h"

#include <QAction>
#include <QObject>
#include <QVariant>

namespace {

// "&Edit" shows "Edit"; "&&" is a literal ampersand.
QString withoutMnemonics(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                plain += QLatin1Char('&');
            ++i;
            if (i < text.size() && text[i] != QLatin1Char('&'))
                plain += text[i];
            continue;
        }
        plain += text[i];
    }
    return plain;
}

bool isBlankOrControl(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F || c.isSpace();
}

QString trimmedOfBlanksAndControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && isBlankOrControl(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString captionProperty(const QObject* component) {
    if (const auto* action = qobject_cast<const QAction*>(component))
        return withoutMnemonics(action->text());
    for (const char* name : {"text", "title"}) {
        const QVariant value = component->property(name);
        if (value.isValid() && value.canConvert<QString>())
            return value.toString();
    }
    return {};
}

} // namespace

QString GetComponentCaption(const QObject* component) {
    if (component == nullptr)
        return {};
    return trimmedOfBlanksAndControls(captionProperty(component));
}

#include "widgets/messageboxes.h"

#include "widgets/applicationtitle.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconFor(unsigned flags) {
    switch (flags & Mb::IconMask) {
    case Mb::ICONHAND:
        return QMessageBox::Critical;
    case Mb::ICONQUESTION:
        return QMessageBox::Question;
    case Mb::ICONWARNING:
        return QMessageBox::Warning;
    case Mb::ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

QString QtMessageBoxes::displayText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int QtMessageBoxes::show(QWidget* owner, const QString& text, unsigned flags) {
    QMessageBox box(iconFor(flags), applicationTitle(), displayText(text),
                    QMessageBox::NoButton, owner);
    const bool yesNo = (flags & Mb::ButtonMask) == Mb::YESNO;
    if (yesNo) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        const bool noIsDefault = (flags & Mb::DefaultMask) == Mb::DEFBUTTON2;
        box.setDefaultButton(noIsDefault ? no : yes);
        box.setEscapeButton(no);
    } else {
        box.setDefaultButton(box.addButton(QMessageBox::Ok));
    }
    const int answer = box.exec();
    if (!yesNo)
        return Id::OK;
    return answer == QMessageBox::Yes ? Id::YES : Id::NO;
}

void QtMessageBoxes::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), displayText(text),
                    QMessageBox::Ok);
    box.exec();
}

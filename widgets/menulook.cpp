#include "widgets/menulook.h"

#include <QColor>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace {

QColor blend(const QColor& a, const QColor& b, qreal amountOfB) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * amountOfB,
                            a.greenF() + (b.greenF() - a.greenF()) * amountOfB,
                            a.blueF() + (b.blueF() - a.blueF()) * amountOfB);
}

QString css(const QColor& colour) {
    return colour.name(QColor::HexRgb);
}

} // namespace

namespace MenuLook {

void apply(QWidget* widget) {
    const QPalette palette = widget->palette();
    const QColor base = palette.color(QPalette::Base);
    const QColor window = palette.color(QPalette::Window);
    const QColor highlight = palette.color(QPalette::Highlight);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::WindowText);

    const QColor barTop = blend(base, highlight, 0.12);
    const QColor barBottom = blend(window, highlight, 0.35);
    const QColor gutterLeft = blend(base, highlight, 0.10);
    const QColor gutterRight = blend(base, highlight, 0.40);
    const QColor hover = blend(base, highlight, 0.25);

    const QString sheet =
        QStringLiteral(
            "QMenuBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2);"
            "  border-bottom: 1px solid %3; }"
            "QMenuBar::item { background: transparent; color: %4; padding: 2px 7px; }"
            "QMenuBar::item:selected { background: %5; border: 1px solid %3; }"
            "QMenuBar::item:pressed { background: %6; border: 1px solid %3; }"
            "QMenu { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %7, stop:0.09 %8,"
            "  stop:0.0901 %9, stop:1 %9); border: 1px solid %3; padding: 1px; }"
            "QMenu::item { color: %4; padding: 3px 24px 3px 30px; border: 1px solid transparent; }"
            "QMenu::item:selected { background: %5; border: 1px solid %3; }"
            "QMenu::item:disabled { color: %10; }"
            "QMenu::item:disabled:selected { background: transparent; border: 1px solid transparent; }"
            "QMenu::separator { height: 1px; background: %8; margin: 2px 2px 2px 32px; }")
            .arg(css(barTop), css(barBottom), css(highlight), css(text), css(hover), css(gutterRight),
                 css(gutterLeft), css(gutterRight), css(base), css(disabled));
    widget->setStyleSheet(widget->styleSheet() + sheet);
}

void useWindowFont(QWidget* window) {
    const QFont font = window->font();
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        bar->setFont(font);
    for (QMenu* menu : window->findChildren<QMenu*>())
        menu->setFont(font);
}

} // namespace MenuLook

#include "widgets/placed.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// The start of a span of the given length inside [areaStart, areaStart + areaLength):
// start itself when the span fits there, else the nearest start that fits, and the
// area's start when the span is longer than the area.
int keptInside(int start, int length, int areaStart, int areaLength) {
    const int lastFitting = areaStart + areaLength - length;
    return std::max(areaStart, std::min(start, lastFitting));
}

const QScreen* screenFor(const QWidget* window, const QRect& frame) {
    if (const QScreen* at = QGuiApplication::screenAt(frame.topLeft()))
        return at;
    if (const QScreen* at = QGuiApplication::screenAt(frame.center()))
        return at;
    if (const QScreen* own = window->screen())
        return own;
    return QGuiApplication::primaryScreen();
}

} // namespace

QPoint keptInside(const QRect& frame, const QRect& area) {
    return {keptInside(frame.left(), frame.width(), area.left(), area.width()),
            keptInside(frame.top(), frame.height(), area.top(), area.height())};
}

void placeOnScreen(QWidget* window, const QPoint& topLeft) {
    // The frame's size is known once the window has been shown; before that it is
    // the window's own size.
    const QRect frame(topLeft, window->frameGeometry().size());
    const QScreen* screen = screenFor(window, frame);
    window->move(screen ? keptInside(frame, screen->availableGeometry()) : topLeft);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    placeOnScreen(window, frame.topLeft());
}

#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

// Puts a control at its place in its parent, in pixels, and hands it back, so that
// a window's layout reads as the table of places it is.
template <typename Widget> Widget* placed(Widget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left, top, width, height);
    return widget;
}

// Where a window whose outer rectangle is frame goes so that it lies inside area:
// where it is when it fits; otherwise moved just enough to lie inside. A window
// wider or taller than the area starts at the area's left or top edge. Answers
// the frame's new top-left corner.
QPoint keptInside(const QRect& frame, const QRect& area);

// Moves a top-level window so that its frame's top-left corner is at topLeft, or
// as near to it as keeps the whole window inside the available area (the screen
// without task bars and docks) of the screen at that point.
void placeOnScreen(QWidget* window, const QPoint& topLeft);

// Centres a top-level window on the available area of its screen, kept inside it.
void centreOnScreen(QWidget* window);

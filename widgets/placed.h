#pragma once

#include <QRect>

// Puts a control at its place in its parent, in pixels, and hands it back, so that
// a window's layout reads as the table of places it is.
template <typename Widget> Widget* placed(Widget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left, top, width, height);
    return widget;
}

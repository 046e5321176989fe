#pragma once

class QWidget;

// The shared look of the program's menus: a blue menu bar and menus after the
// menus of Office 2003, with every colour taken from the system palette, so the
// look follows the desktop's colour theme. Applies to the widget and its children.
namespace MenuLook {
void apply(QWidget* widget);
// Gives the window's menu bar and every popup menu it owns (the bar's drop-downs and
// its context menus) the window's own font. A popup is a window of its own, which
// would otherwise take the desktop's menu font; call it once the menus are made.
void useWindowFont(QWidget* window);
} // namespace MenuLook

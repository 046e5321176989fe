#pragma once

class QWidget;

// The shared look of the program's menus: a blue menu bar and menus after the
// menus of Office 2003, with every colour taken from the system palette, so the
// look follows the desktop's colour theme. Applies to the widget and its children.
namespace MenuLook {
void apply(QWidget* widget);
}

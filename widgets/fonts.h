#pragma once

#include <QFont>

// The program's form font: the stand-in for "MS Sans Serif" 8 pt that every window
// uses (11 pixels high at 96 dots per inch), bold in most windows.
namespace Fonts {
QFont formFont(bool bold = true);
// "Tahoma" 8 pt stand-in (DejaVu Sans, a wide humanist face like Tahoma), for the connection grid's header and description column.
QFont tahoma(bool bold = false);
} // namespace Fonts

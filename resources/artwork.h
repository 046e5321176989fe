#pragma once

#include <QIcon>
#include <QString>

namespace Artwork {

// The sizes in which the program's icon is drawn.
inline constexpr int IconSizes[] = {16, 24, 32, 48, 256};

// The program's icon with every drawn size, for the application and its windows.
QIcon applicationIcon();

// The resource path of the icon drawn at size pixels (one of IconSizes).
QString iconPath(int size);

// The resource path of the About box's banner, a transparent GIF of 199 x 119 pixels.
QString bannerPath();

} // namespace Artwork

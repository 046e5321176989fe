#include "resources/artwork.h"

namespace Artwork {

QString iconPath(int size) {
    return QStringLiteral(":/icons/orvantis-%1.png").arg(size);
}

QString bannerPath() {
    return QStringLiteral(":/banner.gif");
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : IconSizes)
        icon.addFile(iconPath(size), QSize(size, size));
    return icon;
}

} // namespace Artwork

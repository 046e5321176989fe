#include "widgets/fonts.h"

namespace {

QFont eightPoint(const QString& family, bool bold) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11); // 8 pt at 96 dots per inch, whatever the screen reports
    font.setBold(bold);
    return font;
}

} // namespace

namespace Fonts {

QFont formFont(bool bold) {
    return eightPoint(QStringLiteral("Liberation Sans"), bold);
}

QFont tahoma(bool bold) {
    return eightPoint(QStringLiteral("DejaVu Sans"), bold);
}

} // namespace Fonts

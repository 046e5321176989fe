#pragma once

#include <QString>

// Who makes the program and how to reach them: the About box's maker line and its
// two links. Change them here and nowhere else.
namespace Maker {

inline const QString Name = QStringLiteral("The Orvantis developers");
inline const QString Mail = QStringLiteral("dev@orvantis.test");
inline const QString Web = QStringLiteral("https://www.orvantis.test/");

} // namespace Maker

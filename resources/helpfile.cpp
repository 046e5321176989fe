#include "resources/helpfile.h"

QString helpFilePath() {
    return QStringLiteral(ORVANTIS_HELP_FILE);
}

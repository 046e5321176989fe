#include "widgets/desktop.h"

#include <QDesktopServices>
#include <QUrl>

void QtDesktop::openUrl(const QString& url) {
    // The result is not looked at: when no handler takes the address, nothing happens.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

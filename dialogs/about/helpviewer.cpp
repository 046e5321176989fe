#include "dialogs/about/helpviewer.h"

#include "resources/artwork.h"
#include "widgets/desktop.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString DefaultTitle = QStringLiteral("Orvantis Help");

QString missingFileText(const QString& path, const QString& reason) {
    return QStringLiteral("The help file could not be opened.\n\n%1\n\n%2").arg(path, reason);
}

} // namespace

THelpViewer::THelpViewer(Desktop& desktop, QWidget* owner) : QWidget(owner, Qt::Window), m_desktop(desktop) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(DefaultTitle);
    setWindowIcon(Artwork::applicationIcon());
    resize(640, 560);

    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenLinks(false); // every link goes through openLink
    connect(Browser, &QTextBrowser::anchorClicked, this, &THelpViewer::openLink);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
}

void THelpViewer::showContents(const QString& path) {
    load(path);
    show();
    raise();
    activateWindow();
}

void THelpViewer::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Browser->setPlainText(missingFileText(path, file.errorString()));
        setWindowTitle(DefaultTitle);
        return;
    }
    Browser->setHtml(QString::fromUtf8(file.readAll()));
    const QString title = Browser->documentTitle();
    setWindowTitle(title.isEmpty() ? DefaultTitle : title);
    Browser->moveCursor(QTextCursor::Start); // the contents page is the top of the file
    Browser->ensureCursorVisible();
}

void THelpViewer::openLink(const QUrl& url) {
    const bool withinFile = url.isRelative() && url.path().isEmpty() && url.hasFragment();
    if (withinFile)
        Browser->scrollToAnchor(url.fragment());
    else
        m_desktop.openUrl(url.toString());
}

#pragma once

#include <QWidget>

class Desktop;
class QTextBrowser;
class QUrl;

// The program's help viewer: a window that shows the help file, an HTML document,
// on its contents page. Links inside the file move within it; every other link
// opens through the desktop. A file that cannot be read is reported in the
// viewer's own window.
class THelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewer(Desktop& desktop, QWidget* owner = nullptr);

    // Reads the help file at path afresh, shows its contents page and brings the
    // window to the front.
    void showContents(const QString& path);

    QTextBrowser* Browser = nullptr;

private:
    void load(const QString& path);
    void openLink(const QUrl& url);

    Desktop& m_desktop;
};

#pragma once

#include <QString>

// The desktop's default handlers: a web address opens in the default browser, a
// "mailto:" address starts a new mail in the default mail program. Tests replace it
// with a fake that records what it was handed.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Hands url to the desktop as it is. A failure shows nothing.
    virtual void openUrl(const QString& url) = 0;
};

// The real desktop handlers, through QDesktopServices.
class QtDesktop final : public Desktop {
public:
    void openUrl(const QString& url) override;
};

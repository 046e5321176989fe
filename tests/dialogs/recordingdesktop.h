#pragma once

#include "widgets/desktop.h"

#include <QStringList>

// A desktop that opens nothing and records every address it was handed, in order.
class RecordingDesktop final : public Desktop {
public:
    void openUrl(const QString& url) override { opened.append(url); }

    QStringList opened;
};

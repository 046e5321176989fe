#pragma once

// For the start-up probes: ends the process once a window has been drawn for the
// first time, after printing the monotonic clock at that moment ("painted <ns>"),
// so that the benchmark measures from its fork to the first picture on screen.
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <cstdio>
#include <ctime>
#include <unistd.h>

class ExitWhenPainted : public QObject {
public:
    explicit ExitWhenPainted(QObject* window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            // After this event the rest of the window is drawn and flushed in the same pass.
            QMetaObject::invokeMethod(this, &ExitWhenPainted::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    static void report() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("painted %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        _exit(0);
    }

    bool m_painted = false;
};

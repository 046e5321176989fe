#include "widgets/busyanimation.h"

#include <QPainter>
#include <QtMath>

namespace {
constexpr int FrameIntervalMs = 100;
}

BusyAnimation::BusyAnimation(QWidget* parent) : QWidget(parent) {
    setFixedSize(16, 16);
    m_timer.setInterval(FrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &BusyAnimation::advance);
}

void BusyAnimation::play(int firstFrame, int lastFrame) {
    m_first = qBound(1, firstFrame, FrameCount);
    m_last = qBound(m_first, lastFrame, FrameCount);
    m_frame = m_first;
    m_timer.start();
    update();
}

void BusyAnimation::stop() {
    m_timer.stop();
    update();
}

bool BusyAnimation::isPlaying() const {
    return m_timer.isActive();
}

int BusyAnimation::frame() const {
    return m_frame;
}

QSize BusyAnimation::sizeHint() const {
    return {16, 16};
}

void BusyAnimation::advance() {
    m_frame = m_frame >= m_last ? m_first : m_frame + 1;
    update();
}

void BusyAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const qreal radius = 5.5;
    const QColor lit = palette().color(QPalette::Highlight);
    const QColor dim = palette().color(QPalette::Mid);
    for (int dot = 1; dot <= FrameCount; ++dot) {
        const qreal angle = qDegreesToRadians(360.0 * (dot - 1) / FrameCount - 90.0);
        const QPointF at = centre + QPointF(radius * qCos(angle), radius * qSin(angle));
        painter.setBrush(dot == m_frame ? lit : dim);
        painter.drawEllipse(at, dot == m_frame ? 2.2 : 1.5, dot == m_frame ? 2.2 : 1.5);
    }
}

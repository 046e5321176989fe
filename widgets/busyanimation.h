#pragma once

#include <QTimer>
#include <QWidget>

// A small looping busy animation (16 × 16): a ring of eight dots, one of them lit,
// moving round. play() runs frames first..last over and over until stop().
class BusyAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int FrameCount = 8;

    explicit BusyAnimation(QWidget* parent = nullptr);

    void play(int firstFrame = 1, int lastFrame = FrameCount);
    void stop();
    bool isPlaying() const;
    int frame() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advance();

    QTimer m_timer;
    int m_first = 1;
    int m_last = FrameCount;
    int m_frame = 1;
};

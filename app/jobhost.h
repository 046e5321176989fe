#pragma once

#include "net/changeip.h"

#include <QObject>
#include <memory>

class BusyAnimation;
class MessageBoxes;
class QLabel;
class QWidget;

// The main window's side of an IP change job: the two halves of the progress
// indicator, and the hand-over of the job's steps to the user-interface thread.

class AnimationProgress final : public ProgressAnimation {
public:
    explicit AnimationProgress(BusyAnimation* animation) : m_animation(animation) {}
    void show() override;
    void hide() override;
    void play(int firstFrame, int lastFrame) override;
    void stop() override;

private:
    BusyAnimation* m_animation;
};

class LabelProgress final : public ProgressLabel {
public:
    explicit LabelProgress(QLabel* label) : m_label(label) {}
    void show() override;
    void hide() override;
    void setCaption(const std::string& text) override;

private:
    QLabel* m_label;
};

class StepQueue;

// Runs a job's steps on the user-interface thread while the job's worker waits. Once
// the window has closed (close()), no step runs any more: the hand-over raises an
// error in the worker instead, and the job ends without starting another command line.
//
// The step and its outcome travel through a queue of ours, guarded by a std::mutex and
// a condition variable; Qt only carries a bare wake-up event to the user-interface
// thread. So everything the worker and the step share is ordered by our own lock.
class WindowJobHost final : public JobHost {
public:
    // owner: the main window, which owns the host's receiver and the message boxes' owner.
    WindowJobHost(QWidget* owner, MessageBoxes& messages);
    ~WindowJobHost() override;

    void synchronize(const std::function<void()>& step) override;
    void showWarning(const std::string& text) override;
    void showMessage(const std::string& text) override;

    // Called by the window as it goes: later hand-overs fail at once, and a worker that
    // waits for a step not yet run stops waiting with an error.
    void close();

private:
    std::shared_ptr<StepQueue> m_queue; // shared with the receiver in the window
    QWidget* m_owner;
    MessageBoxes& m_messages;
};

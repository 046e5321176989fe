#include "app/jobhost.h"

#include "widgets/busyanimation.h"
#include "widgets/messageboxes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>

void AnimationProgress::show() {
    m_animation->show();
}
void AnimationProgress::hide() {
    m_animation->hide();
}
void AnimationProgress::play(int firstFrame, int lastFrame) {
    m_animation->play(firstFrame, lastFrame);
}
void AnimationProgress::stop() {
    m_animation->stop();
}

void LabelProgress::show() {
    m_label->show();
}
void LabelProgress::hide() {
    m_label->hide();
}
void LabelProgress::setCaption(const std::string& text) {
    m_label->setText(QString::fromStdString(text));
    m_label->adjustSize();
}

// The steps handed over and not yet run, and the user-interface thread's end of them.
// Workers add a step and wait on the condition variable; the receiver, on the
// user-interface thread, takes one step per wake-up event, runs it and records how it
// went. Every field is guarded by m_mutex.
class StepQueue {
public:
    // Worker side: queues step, wakes the receiver and waits until the step has run or
    // the queue has closed. Raises the step's error, or an error when it never ran.
    void run(const std::function<void()>& step);
    // User-interface side: runs the oldest waiting step, if any.
    void runNext();
    // No step runs any more; workers still waiting stop waiting with an error.
    void close();
    void setReceiver(QObject* receiver);

private:
    struct Waiting {
        const std::function<void()>* step;
        enum class State { Queued, Running, Done, Dropped } state = State::Queued;
        std::exception_ptr error;
    };
    [[noreturn]] static void raiseClosed();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Waiting*> m_waiting; // each lives on its worker's stack while queued
    QObject* m_receiver = nullptr;  // lives in the user-interface thread
};

namespace {

// The event type of the wake-up, registered once.
QEvent::Type wakeUpEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// The queue's object in the user-interface thread: a child of the window, so that it
// goes with the window; until then each wake-up event runs one step.
class StepReceiver final : public QObject {
public:
    StepReceiver(QObject* owner, std::shared_ptr<StepQueue> queue)
        : QObject(owner), m_queue(std::move(queue)) {}
    ~StepReceiver() override { m_queue->close(); }
    StepReceiver(const StepReceiver&) = delete;
    StepReceiver& operator=(const StepReceiver&) = delete;

    bool event(QEvent* event) override {
        if (event->type() != wakeUpEvent())
            return QObject::event(event);
        m_queue->runNext();
        return true;
    }

private:
    std::shared_ptr<StepQueue> m_queue;
};

} // namespace

void StepQueue::raiseClosed() {
    throw std::runtime_error("The main window has closed");
}

void StepQueue::setReceiver(QObject* receiver) {
    std::lock_guard lock(m_mutex);
    m_receiver = receiver;
}

void StepQueue::run(const std::function<void()>& step) {
    Waiting waiting{&step, Waiting::State::Queued, nullptr};
    std::unique_lock lock(m_mutex);
    if (!m_receiver)
        raiseClosed();
    m_waiting.push_back(&waiting);
    // Posted under the lock: the receiver cannot go while the event is on its way in.
    QCoreApplication::postEvent(m_receiver, new QEvent(wakeUpEvent()));
    m_changed.wait(lock, [&] {
        return waiting.state == Waiting::State::Done || waiting.state == Waiting::State::Dropped;
    });
    if (waiting.state == Waiting::State::Dropped)
        raiseClosed();
    if (waiting.error)
        std::rethrow_exception(waiting.error);
}

void StepQueue::runNext() {
    Waiting* next = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.empty())
            return;
        next = m_waiting.front();
        m_waiting.pop_front();
        next->state = Waiting::State::Running;
    }
    // Its worker waits until the state says Done, so the step stays alive meanwhile.
    std::exception_ptr error;
    try {
        (*next->step)();
    } catch (...) {
        error = std::current_exception();
    }
    std::lock_guard lock(m_mutex);
    next->error = error;
    next->state = Waiting::State::Done;
    m_changed.notify_all(); // after this, next belongs to its worker again
}

void StepQueue::close() {
    std::lock_guard lock(m_mutex);
    m_receiver = nullptr;
    for (Waiting* waiting : m_waiting)
        waiting->state = Waiting::State::Dropped;
    m_waiting.clear();
    m_changed.notify_all();
}

WindowJobHost::WindowJobHost(QWidget* owner, MessageBoxes& messages)
    : m_queue(std::make_shared<StepQueue>()), m_owner(owner), m_messages(messages) {
    m_queue->setReceiver(new StepReceiver(owner, m_queue));
}

WindowJobHost::~WindowJobHost() = default;

void WindowJobHost::close() {
    m_queue->close();
}

void WindowJobHost::synchronize(const std::function<void()>& step) {
    m_queue->run(step);
}

void WindowJobHost::showWarning(const std::string& text) {
    m_messages.show(m_owner, QString::fromStdString(text), Mb::OK | Mb::ICONWARNING);
}

void WindowJobHost::showMessage(const std::string& text) {
    m_messages.showMessage(QString::fromStdString(text));
}

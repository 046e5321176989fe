#include "app/jobhost.h"

#include "widgets/busyanimation.h"
#include "widgets/messageboxes.h"

#include <QLabel>
#include <QMetaObject>
#include <exception>
#include <future>
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

WindowJobHost::WindowJobHost(QWidget* owner, MessageBoxes& messages)
    : m_receiver(new QObject(owner)), m_owner(owner), m_messages(messages) {}

WindowJobHost::~WindowJobHost() = default;

void WindowJobHost::close() {
    std::lock_guard lock(m_mutex);
    m_receiver = nullptr;
}

void WindowJobHost::synchronize(const std::function<void()>& step) {
    // The step travels in a queued call; the worker waits on its promise. When the
    // window goes before the call is delivered, Qt drops the call, the promise breaks,
    // and the wait ends with an error instead of hanging.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    {
        std::lock_guard lock(m_mutex);
        if (!m_receiver)
            throw std::runtime_error("The main window has closed");
        QMetaObject::invokeMethod(
            m_receiver.data(),
            [step, done = std::move(done)] {
                try {
                    step();
                    done->set_value();
                } catch (...) {
                    done->set_exception(std::current_exception());
                }
            },
            Qt::QueuedConnection);
    }
    finished.get();
}

void WindowJobHost::showWarning(const std::string& text) {
    m_messages.show(m_owner, QString::fromStdString(text), Mb::OK | Mb::ICONWARNING);
}

void WindowJobHost::showMessage(const std::string& text) {
    m_messages.showMessage(QString::fromStdString(text));
}

#pragma once

// Fakes for the IP change job: a host with a user-interface thread of its own, an
// indicator that records what is done to it, a launcher with scripted outcomes, and
// one event log that keeps everything in the order it happened.

#include "net/changeip.h"
#include "net/process.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class EventLog {
public:
    void add(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    std::vector<std::string> events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

// Runs handed-over steps on a thread of its own, as the window's event loop would.
class UiThreadHost final : public JobHost {
public:
    explicit UiThreadHost(EventLog& log) : m_log(log), m_thread([this] { loop(); }) {}
    ~UiThreadHost() override {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void synchronize(const std::function<void()>& step) override {
        std::promise<void> done;
        std::future<void> result = done.get_future();
        post([&step, &done] {
            try {
                step();
                done.set_value();
            } catch (...) {
                done.set_exception(std::current_exception());
            }
        });
        result.get();
    }
    void showWarning(const std::string& text) override { record("warning: " + text); }
    void showMessage(const std::string& text) override { record("message: " + text); }

    // Records an event done to the window; one done off the user-interface thread is
    // recorded as such, so that a comparison of the log shows it.
    void record(const std::string& event) {
        m_log.add(std::this_thread::get_id() == m_thread.get_id() ? event : "OFF UI THREAD: " + event);
    }

private:
    void post(std::function<void()> task) {
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        m_wake.notify_one();
    }
    void loop() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            std::function<void()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    EventLog& m_log;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;
    std::thread m_thread;
};

class FakeAnimation final : public ProgressAnimation {
public:
    explicit FakeAnimation(UiThreadHost& host) : m_host(host) {}
    void show() override { m_host.record("animate show"); }
    void hide() override { m_host.record("animate hide"); }
    void play(int first, int last) override {
        m_host.record("animate play " + std::to_string(first) + "-" + std::to_string(last));
    }
    void stop() override {
        m_host.record("animate stop");
        if (failOnStop)
            throw std::runtime_error("animation gone");
    }
    bool failOnStop = false;

private:
    UiThreadHost& m_host;
};

class FakeLabel final : public ProgressLabel {
public:
    explicit FakeLabel(UiThreadHost& host) : m_host(host) {}
    void show() override { m_host.record("label show"); }
    void hide() override { m_host.record("label hide"); }
    void setCaption(const std::string& text) override {
        m_host.record("label " + text);
        if (text == failOnceOnCaption) {
            failOnceOnCaption.clear();
            throw std::runtime_error("label gone");
        }
    }
    std::string failOnceOnCaption; // touched on the user-interface thread only

private:
    UiThreadHost& m_host;
};

// Each start takes the next scripted outcome: an exit code, or nullopt for a process
// that cannot be started; and the next of the scripted outputs (none: it printed nothing). waitForExit()
// blocks until `overlap` processes have been started in all (1: never blocks), to show that jobs run side by
// side.
class ScriptedLauncher final : public ProcessLauncher {
public:
    ScriptedLauncher(EventLog& log, std::vector<std::optional<std::uint32_t>> outcomes, int overlap = 1)
        : m_log(log), m_outcomes(std::move(outcomes)), m_overlap(overlap) {}

    std::unique_ptr<RunningProcess> start(const std::string& commandLine, int showMode) override {
        std::optional<std::uint32_t> outcome;
        std::string printed;
        {
            std::lock_guard lock(m_mutex);
            m_log.add("start (" + std::to_string(showMode) + ") " + commandLine);
            if (m_next >= m_outcomes.size())
                throw std::logic_error("more processes than scripted");
            printed = m_next < m_outputs.size() ? m_outputs[m_next] : std::string();
            outcome = m_outcomes[m_next++];
            if (outcome)
                ++m_started;
        }
        m_changed.notify_all();
        if (!outcome)
            return nullptr;
        return std::make_unique<Process>(*this, *outcome, std::move(printed));
    }

    // What the processes print, in the order they start.
    void setOutputs(std::vector<std::string> outputs) {
        std::lock_guard lock(m_mutex);
        m_outputs = std::move(outputs);
    }

    int started() const {
        std::lock_guard lock(m_mutex);
        return m_started;
    }

private:
    class Process final : public RunningProcess {
    public:
        Process(ScriptedLauncher& launcher, std::uint32_t exitCode, std::string printed)
            : m_launcher(launcher), m_exitCode(exitCode), m_printed(std::move(printed)) {}
        std::uint32_t waitForExit() override {
            std::unique_lock lock(m_launcher.m_mutex);
            m_launcher.m_changed.wait(lock, [this] { return m_launcher.m_started >= m_launcher.m_overlap; });
            m_launcher.m_log.add("wait");
            return m_exitCode;
        }
        std::string output() const override { return m_printed; }

    private:
        ScriptedLauncher& m_launcher;
        std::uint32_t m_exitCode;
        std::string m_printed;
    };

    EventLog& m_log;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::optional<std::uint32_t>> m_outcomes;
    std::vector<std::string> m_outputs;
    std::size_t m_next = 0;
    int m_started = 0;
    int m_overlap;
};

inline JobPause recordingPause(EventLog& log) {
    return
        [&log](std::chrono::milliseconds duration) { log.add("pause " + std::to_string(duration.count())); };
}

// Runs one job for the connection "LAN" (static, every value empty unless configure sets
// it) with the given launcher to its end, its indicator and host fakes; answers what
// happened, in order.
inline std::vector<std::string> runJobToEnd(std::shared_ptr<ProcessLauncher> launcher,
                                            const std::function<void(TChangeIp&)>& configure = {}) {
    EventLog log;
    auto host = std::make_shared<UiThreadHost>(log);
    FakeAnimation animation(*host);
    FakeLabel label(*host);
    {
        TChangeIp job(host, std::move(launcher), recordingPause(log));
        job.FAnimate = &animation;
        job.FLabel = &label;
        job.FConnectionName = "LAN";
        if (configure)
            configure(job);
        job.Start();
    } // the destructor waits for the body
    return log.events();
}

// Waits (at most a generous while) until done() holds; answers whether it did.
inline bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

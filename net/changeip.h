#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

class ProcessLauncher;

// The animation half of the main window's progress indicator (Animate1). Only ever
// called on the user-interface thread, inside a step handed over by a job.
class ProgressAnimation {
public:
    virtual ~ProgressAnimation() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Plays frames firstFrame to lastFrame of the clip over and over until stop().
    virtual void play(int firstFrame, int lastFrame) = 0;
    virtual void stop() = 0;
};

// The text half of the progress indicator (Label1). Only ever called on the
// user-interface thread, inside a step handed over by a job.
class ProgressLabel {
public:
    virtual ~ProgressLabel() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void setCaption(const std::string& text) = 0; // UTF-8
};

// What a job needs of the user-interface side.
class JobHost {
public:
    virtual ~JobHost() = default;

    // The hand-over: runs step on the user-interface thread while the calling worker
    // thread waits, without a time limit, until it has run. An error that step raises
    // is raised again here, in the worker. A host that can no longer reach the window
    // (it is closing) may raise an error instead of running the step: the job then
    // ends without further steps.
    virtual void synchronize(const std::function<void()>& step) = 0;

    // A warning owned by the main window: the application title as caption, the text
    // ("\r" is a line break), the warning icon and OK (MB_ICONWARNING | MB_OK). Returns
    // when the user has closed it. Only called inside a step.
    virtual void showWarning(const std::string& text) = 0;

    // The message dialog: the application title as caption, the text as it is, one OK
    // button, no icon, centred on the screen. Returns when closed. Only called inside a step.
    virtual void showMessage(const std::string& text) = 0;
};

// The pause after each command line; tests pass one that only records it.
using JobPause = std::function<void(std::chrono::milliseconds)>;
void sleepPause(std::chrono::milliseconds duration);

// An exit code of 2^31 or more, which does not fit the signed 32-bit result.
class RangeCheckError : public std::runtime_error {
public:
    RangeCheckError() : std::runtime_error("Range check error") {}
};

// The program's texts of the IP change job.
namespace ChangeIpText {
inline constexpr const char* kCreating = "Creating Process";
inline constexpr const char* kChanging = "Now changing IP,SubnetMask & Gateway properties...Please wait.";
inline constexpr const char* kChanged = "IP Settings Succecsfully changed...Posting data please wait...";
inline constexpr const char* kNotStarted = "Could not start netsh.";
inline constexpr const char* kMissingConnection =
    "You did not set a valid Connection Name for the IP Set Or the record was not found.\r"
    "Please go to IP Sets and enter a valid Connection Name.";
inline constexpr const char* kNotApplied = "The IP Set was not applied completely.";
// "Changing IP settings failed: netsh ended with code N." (N in decimal)
std::string failed(std::uint32_t exitCode);

// What a command line printed, as the closing warning shows it after the line's text:
// its last kShownLines lines that hold more than blanks, each without control
// characters and trailing blanks and cut to kShownLineLength characters (an
// ellipsis "..." marks the cut), joined by "\r". Empty when it printed only blanks.
inline constexpr std::size_t kShownLines = 6;
inline constexpr std::size_t kShownLineLength = 200;
std::string shownOutput(const std::string& output);
} // namespace ChangeIpText

// The IP change job: applies a copy of an IP set to its connection on a worker thread
// of its own, by running the netsh address line and then the DNS line, and drives the
// progress indicator through the host's hand-over. It never reads the store.
//
// Use: create it, fill in the F-members on the user-interface thread, then either
// hand it to StartReleasing() (it deletes itself when its body ends, normally or by an
// error), or Start() it and keep it (its destructor waits for the body to end).
class TChangeIp final {
public:
    TChangeIp(std::shared_ptr<JobHost> host, std::shared_ptr<ProcessLauncher> launcher,
              JobPause pause = sleepPause);
    ~TChangeIp();
    TChangeIp(const TChangeIp&) = delete;
    TChangeIp& operator=(const TChangeIp&) = delete;

    // The copies of the IP set, set before the job starts and never changed afterwards.
    ProgressAnimation* FAnimate = nullptr; // the main window's Animate1; not owned, must be set
    ProgressLabel* FLabel = nullptr;       // the main window's Label1; not owned, must be set
    std::string FIPAddress;
    std::string FSubnetMask;
    std::string FGateway;
    std::string FDNS;
    bool FDHCP = false;
    std::string FConnectionName; // empty: the missing-connection warning, nothing runs

    // Marks the job for release-on-end and starts it. Throws std::logic_error when
    // FAnimate or FLabel is not set, std::system_error when no thread can be made;
    // the job is released then too.
    static void StartReleasing(std::unique_ptr<TChangeIp> job);

    // Starts a job that the caller keeps; a job runs once.
    void Start();
    // Waits until the body of a job started with Start() has ended.
    void WaitFor();

    // Runs the address line and the DNS line for the connection, with FDNS and FDHCP,
    // then stops and hides the indicator and, when a line failed, shows the warning
    // "The IP Set was not applied completely." with one line per failed command line,
    // each followed by what netsh printed (ChangeIpText::shownOutput), when it printed anything.
    void ApplySettings(const std::string& connectionName, const std::string& ipAddress,
                       const std::string& subnetMask, const std::string& gateway);

private:
    // How one command line went, for the closing warning.
    struct LineOutcome {
        enum class Kind { NotStarted, Unknown, Ended } kind = Kind::NotStarted;
        std::uint32_t exitCode = 0;
        std::string printed; // what netsh printed, as shown (ChangeIpText::shownOutput)
        bool failed() const;
        std::string describe() const;
    };

    void checkReady() const;
    void run() noexcept;
    void Execute();
    // Runs one command line and waits for it. Answers the exit code, or -1 when the
    // process cannot be created or an error was caught (and shown in the message dialog).
    std::int32_t RunAndWait(const std::string& commandLine, int showMode, LineOutcome& outcome);
    static std::int32_t checkedExitCode(std::uint32_t exitCode);
    static std::string notAppliedText(const LineOutcome& addressLine, const LineOutcome& dnsLine);
    void showCaughtError(const std::string& message);
    void pauseAfterLine();
    void Synchronize(void (TChangeIp::*step)());

    // The steps on the progress indicator; each runs only through the hand-over.
    void ShowProgress();
    void StartAnimation();
    void ShowCreatingText();
    void ShowChangingText();
    void ShowChangedText();
    void StopAnimation();
    void HideProgress();
    void ShowNotStartedText();
    void ShowFailedText(std::uint32_t exitCode);

    std::shared_ptr<JobHost> m_host;
    std::shared_ptr<ProcessLauncher> m_launcher;
    JobPause m_pause;
    std::thread m_thread;
    bool m_started = false;
};

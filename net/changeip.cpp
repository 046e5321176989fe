#include "net/changeip.h"

#include "net/commandline.h"
#include "net/process.h"

#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::chrono::milliseconds kPauseAfterLine{1000};
constexpr int kFirstFrame = 1;
constexpr int kLastFrame = 8;

} // namespace

void sleepPause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

std::string ChangeIpText::failed(std::uint32_t exitCode) {
    return "Changing IP settings failed: netsh ended with code " + std::to_string(exitCode) + ".";
}

namespace {

bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// One line as shown: tabs as blanks, other control characters left out, no trailing
// blanks, at most kShownLineLength characters (UTF-8 sequences kept whole).
std::string shownLine(std::string_view line) {
    std::string shown;
    std::size_t characters = 0;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t')
            continue;
        if (byte == 0x7F)
            continue;
        const bool startsCharacter = (byte & 0xC0) != 0x80;
        if (startsCharacter && ++characters > ChangeIpText::kShownLineLength) {
            shown.erase(shown.find_last_not_of(' ') + 1);
            return shown + "...";
        }
        shown += c == '\t' ? ' ' : c;
    }
    shown.erase(shown.find_last_not_of(' ') + 1);
    return shown;
}

} // namespace

std::string ChangeIpText::shownOutput(const std::string& output) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = start;
        while (end < output.size() && !isLineEnd(output[end]))
            ++end;
        std::string line = shownLine(std::string_view(output).substr(start, end - start));
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    const std::size_t first = lines.size() > kShownLines ? lines.size() - kShownLines : 0;
    std::string shown;
    for (std::size_t i = first; i < lines.size(); ++i)
        shown += (shown.empty() ? "" : "\r") + lines[i];
    return shown;
}

TChangeIp::TChangeIp(std::shared_ptr<JobHost> host, std::shared_ptr<ProcessLauncher> launcher, JobPause pause)
    : m_host(std::move(host)), m_launcher(std::move(launcher)), m_pause(std::move(pause)) {
    if (!m_host || !m_launcher || !m_pause)
        throw std::invalid_argument("TChangeIp needs a host, a launcher and a pause");
}

TChangeIp::~TChangeIp() {
    if (m_thread.joinable())
        m_thread.join();
}

// ---- Lifecycle -------------------------------------------------------------------

void TChangeIp::checkReady() const {
    if (m_started)
        throw std::logic_error("TChangeIp runs once");
    if (!FAnimate || !FLabel)
        throw std::logic_error("TChangeIp needs FAnimate and FLabel");
}

void TChangeIp::StartReleasing(std::unique_ptr<TChangeIp> job) {
    job->checkReady();
    job->m_started = true;
    TChangeIp* self = job.get();
    std::thread worker([self] {
        self->run();
        delete self;
    });
    job.release(); // the worker owns the job from here on
    worker.detach();
}

void TChangeIp::Start() {
    checkReady();
    m_thread = std::thread([this] { run(); });
    m_started = true;
}

void TChangeIp::WaitFor() {
    if (m_thread.joinable())
        m_thread.join();
}

void TChangeIp::run() noexcept {
    try {
        Execute();
    } catch (...) {
        // An error that leaves the body ends the job; nobody is told.
    }
}

// ---- The body --------------------------------------------------------------------

void TChangeIp::Execute() {
    if (FConnectionName.empty()) {
        m_host->synchronize([this] { m_host->showWarning(ChangeIpText::kMissingConnection); });
        return;
    }
    ApplySettings(FConnectionName, FIPAddress, FSubnetMask, FGateway);
}

void TChangeIp::ApplySettings(const std::string& connectionName, const std::string& ipAddress,
                              const std::string& subnetMask, const std::string& gateway) {
    const std::string addressLine = netshAddressLine(FDHCP, connectionName, ipAddress, subnetMask, gateway);
    const std::string dnsLine = netshDnsLine(FDHCP, connectionName, FDNS);
    LineOutcome addressOutcome;
    LineOutcome dnsOutcome;
    RunAndWait(addressLine, kShowModeHide, addressOutcome);
    RunAndWait(dnsLine, kShowModeHide, dnsOutcome); // runs whatever the address line gave
    Synchronize(&TChangeIp::StopAnimation);
    Synchronize(&TChangeIp::HideProgress);
    const std::string warning = notAppliedText(addressOutcome, dnsOutcome);
    if (!warning.empty())
        m_host->synchronize([this, &warning] { m_host->showWarning(warning); });
}

std::int32_t TChangeIp::RunAndWait(const std::string& commandLine, int showMode, LineOutcome& outcome) {
    outcome = LineOutcome{};
    try {
        Synchronize(&TChangeIp::ShowProgress);
        Synchronize(&TChangeIp::StartAnimation);
        Synchronize(&TChangeIp::ShowCreatingText);
        const std::unique_ptr<RunningProcess> process = m_launcher->start(commandLine, showMode);
        if (!process) {
            Synchronize(&TChangeIp::ShowNotStartedText);
            pauseAfterLine();
            return -1;
        }
        outcome.kind = LineOutcome::Kind::Unknown;
        Synchronize(&TChangeIp::ShowChangingText);
        const std::uint32_t exitCode = process->waitForExit();
        outcome = {LineOutcome::Kind::Ended, exitCode, ChangeIpText::shownOutput(process->output())};
        if (exitCode == 0)
            Synchronize(&TChangeIp::ShowChangedText);
        else
            m_host->synchronize([this, exitCode] { ShowFailedText(exitCode); });
        pauseAfterLine();
        return checkedExitCode(exitCode);
    } catch (const std::exception& error) {
        showCaughtError(error.what());
    } catch (...) {
        showCaughtError("Unknown error");
    }
    return -1;
}

std::int32_t TChangeIp::checkedExitCode(std::uint32_t exitCode) {
    if (exitCode > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        throw RangeCheckError();
    return static_cast<std::int32_t>(exitCode);
}

void TChangeIp::showCaughtError(const std::string& message) {
    m_host->synchronize([this, &message] { m_host->showMessage(message); });
}

void TChangeIp::pauseAfterLine() {
    m_pause(kPauseAfterLine);
}

void TChangeIp::Synchronize(void (TChangeIp::*step)()) {
    m_host->synchronize([this, step] { (this->*step)(); });
}

// ---- The closing warning ---------------------------------------------------------

bool TChangeIp::LineOutcome::failed() const {
    return kind == Kind::NotStarted || (kind == Kind::Ended && exitCode != 0);
}

std::string TChangeIp::LineOutcome::describe() const {
    if (kind == Kind::NotStarted)
        return "netsh could not be started";
    const std::string text = "netsh ended with code " + std::to_string(exitCode);
    return printed.empty() ? text : text + "\r" + printed;
}

std::string TChangeIp::notAppliedText(const LineOutcome& addressLine, const LineOutcome& dnsLine) {
    if (!addressLine.failed() && !dnsLine.failed())
        return {};
    std::string text = ChangeIpText::kNotApplied;
    if (addressLine.failed())
        text += "\rAddress settings: " + addressLine.describe();
    if (dnsLine.failed())
        text += "\rDNS settings: " + dnsLine.describe();
    return text;
}

// ---- The steps on the progress indicator -----------------------------------------

void TChangeIp::ShowProgress() {
    FAnimate->show();
    FLabel->show();
}

void TChangeIp::StartAnimation() {
    FAnimate->play(kFirstFrame, kLastFrame);
}

void TChangeIp::ShowCreatingText() {
    FLabel->setCaption(ChangeIpText::kCreating);
}

void TChangeIp::ShowChangingText() {
    FLabel->setCaption(ChangeIpText::kChanging);
}

void TChangeIp::ShowChangedText() {
    FLabel->setCaption(ChangeIpText::kChanged);
}

void TChangeIp::StopAnimation() {
    FAnimate->stop();
}

void TChangeIp::HideProgress() {
    FAnimate->hide();
    FLabel->hide();
}

void TChangeIp::ShowNotStartedText() {
    FLabel->setCaption(ChangeIpText::kNotStarted);
}

void TChangeIp::ShowFailedText(std::uint32_t exitCode) {
    FLabel->setCaption(ChangeIpText::failed(exitCode));
}

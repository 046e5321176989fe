// The process runner on Linux: the command line is split by the Windows rules, the
// program is looked up in the program's own folder, its private folder and then on PATH, and it runs
// without a shell, with its standard input from /dev/null.
#include "net/argsplit.h"
#include "net/oserror.h"
#include "net/process.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string runningProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    return folderOf(std::string(buffer, static_cast<std::size_t>(length)));
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The absolute folders to search for a bare program name, in order: the program's
// own folder (the build tree keeps netsh there), the installed private folder that
// belongs to it (libexec/orvantis), then the absolute entries of PATH.
std::vector<std::string> searchFolders(const std::string& programFolder) {
    std::vector<std::string> folders;
    if (!programFolder.empty() && programFolder.front() == '/') {
        folders.push_back(programFolder);
        folders.push_back(programFolder + "/" + ORVANTIS_PRIVATE_FROM_BIN);
    }
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        if (!entry.empty() && entry.front() == '/')
            folders.emplace_back(entry);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return folders;
}

std::optional<std::string> findProgram(const std::string& name, const std::string& programFolder) {
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string::npos) {
        if (name.front() == '/' && isExecutableFile(name))
            return name;
        return std::nullopt;
    }
    for (const std::string& folder : searchFolders(programFolder)) {
        std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::uint32_t exitCodeOf(int status) {
    if (WIFEXITED(status))
        return static_cast<std::uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    return 0xFFFFFFFFu;
}

int waitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

class SpawnFileActions {
public:
    SpawnFileActions() { m_ok = ::posix_spawn_file_actions_init(&m_actions) == 0; }
    ~SpawnFileActions() {
        if (m_ok)
            ::posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;

    bool standardInputFromNull() {
        return m_ok &&
               ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0;
    }
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
    bool m_ok = false;
};

class PosixProcess final : public RunningProcess {
public:
    explicit PosixProcess(pid_t pid) : m_pid(pid) {}
    ~PosixProcess() override {
        // A process that nobody waited for runs on; a thread of its own reaps it.
        if (m_waited)
            return;
        try {
            std::thread([pid = m_pid] { waitForChild(pid); }).detach();
        } catch (const std::system_error&) {
            // No thread to spare: the ended process stays a zombie until the program ends.
        }
    }
    PosixProcess(const PosixProcess&) = delete;
    PosixProcess& operator=(const PosixProcess&) = delete;

    std::uint32_t waitForExit() override {
        m_waited = true;
        const int status = waitForChild(m_pid);
        // ECHILD when the program ignores SIGCHLD: the child was reaped unseen.
        if (status < 0)
            throw EOSError(static_cast<std::uint32_t>(errno));
        return exitCodeOf(status);
    }

private:
    pid_t m_pid;
    bool m_waited = false;
};

class PosixProcessLauncher final : public ProcessLauncher {
public:
    explicit PosixProcessLauncher(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

    std::unique_ptr<RunningProcess> start(const std::string& commandLine, int /*showMode*/) override {
        std::vector<std::string> arguments = splitCommandLine(commandLine);
        const std::optional<std::string> program = findProgram(arguments.front(), m_programFolder);
        if (!program)
            return nullptr;
        SpawnFileActions actions;
        if (!actions.standardInputFromNull())
            return nullptr;
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (::posix_spawn(&pid, program->c_str(), actions.get(), nullptr, argv.data(), environ) != 0)
            return nullptr;
        return std::make_unique<PosixProcess>(pid);
    }

private:
    std::string m_programFolder;
};

} // namespace

std::unique_ptr<ProcessLauncher> makeProcessLauncher(std::string programFolder) {
    if (programFolder.empty())
        programFolder = runningProgramFolder();
    return std::make_unique<PosixProcessLauncher>(std::move(programFolder));
}

// The process runner on Linux: the command line is split by the Windows rules, the
// program is looked up in the program's own folder, its private folder and then on PATH, and it runs
// without a shell, with its standard input from /dev/null and what it prints kept for the job.
#include "net/argsplit.h"
#include "net/childprocess_posix.h"
#include "net/process.h"

#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <sys/stat.h>
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

class PosixProcess final : public RunningProcess {
public:
    explicit PosixProcess(std::unique_ptr<ChildProcess> child) : m_child(std::move(child)) {}

    std::uint32_t waitForExit() override { return exitCodeOf(m_child->wait()); }
    std::string output() const override { return m_child->output(); }

private:
    std::unique_ptr<ChildProcess> m_child;
};

class PosixProcessLauncher final : public ProcessLauncher {
public:
    explicit PosixProcessLauncher(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

    std::unique_ptr<RunningProcess> start(const std::string& commandLine, int /*showMode*/) override {
        std::vector<std::string> arguments = splitCommandLine(commandLine);
        const std::optional<std::string> program = findProgram(arguments.front(), m_programFolder);
        if (!program)
            return nullptr;
        std::unique_ptr<ChildProcess> child = ChildProcess::start(*program, std::move(arguments), environ);
        if (!child)
            return nullptr;
        return std::make_unique<PosixProcess>(std::move(child));
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

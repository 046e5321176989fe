// The process runner on Windows: CreateProcessA with the whole command line in a
// writable buffer, a hidden window and a console of its own. netsh always comes from
// the system folder, never from the current directory.
#include "net/process_win32.h"

#include "net/argsplit.h"
#include "net/oserror.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>
#include <windows.h>

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string systemFolder() {
    char buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::string(buffer, length);
}

std::string runningProgramFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            const std::string path(buffer.data(), length);
            const auto slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool isAbsolutePath(const std::string& name) {
    const bool drive = name.size() >= 3 && std::isalpha(static_cast<unsigned char>(name[0])) &&
                       name[1] == ':' && (name[2] == '\\' || name[2] == '/');
    const bool unc =
        name.size() >= 2 && (name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/');
    return drive || unc;
}

bool namesFolder(const std::string& name) {
    return name.find_first_of("\\/:") != std::string::npos;
}

bool isFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> findInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return std::nullopt;
    std::string candidate = folder + "\\" + name;
    if (isFile(candidate))
        return candidate;
    if (name.find('.') == std::string::npos && isFile(candidate + ".exe"))
        return candidate + ".exe";
    return std::nullopt;
}

// The program file that the first word of a command line names.
std::optional<std::string> findProgram(const std::string& word, const std::string& programFolder) {
    const std::string lower = lowerCase(word);
    if (lower == "netsh" || lower == "netsh.exe")
        return findInFolder(systemFolder(), "netsh.exe");
    if (isAbsolutePath(word))
        return isFile(word) ? std::optional<std::string>(word) : std::nullopt;
    if (word.empty() || namesFolder(word))
        return std::nullopt;
    if (auto found = findInFolder(programFolder, word))
        return found;
    return findInFolder(systemFolder(), word);
}

class Win32Process final : public RunningProcess {
public:
    Win32Process(HANDLE process, HANDLE thread) : m_process(process), m_thread(thread) {}
    ~Win32Process() override {
        if (m_thread)
            ::CloseHandle(m_thread);
        if (m_process)
            ::CloseHandle(m_process);
    }
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;

    std::uint32_t waitForExit() override {
        if (::WaitForSingleObject(m_process, INFINITE) == WAIT_FAILED)
            throw EOSError(::GetLastError());
        DWORD exitCode = 0;
        if (!::GetExitCodeProcess(m_process, &exitCode))
            throw EOSError(::GetLastError());
        // After the wait the process has ended; STILL_ACTIVE tells nothing of how.
        if (exitCode == STILL_ACTIVE)
            throw ProcessWaitError("The wait for the process ended, but its exit code reads STILL_ACTIVE "
                                   "(259): its outcome is unknown");
        return exitCode;
    }

private:
    HANDLE m_process;
    HANDLE m_thread;
};

class Win32ProcessLauncher final : public ProcessLauncher {
public:
    explicit Win32ProcessLauncher(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

    std::unique_ptr<RunningProcess> start(const std::string& commandLine, int showMode) override {
        const std::optional<std::string> program =
            findProgram(splitCommandLine(commandLine).front(), m_programFolder);
        if (!program)
            return nullptr;
        // CreateProcessA may write into the command line: it gets a copy of the whole line.
        std::vector<char> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showMode);
        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(program->c_str(), buffer.data(), nullptr, nullptr, FALSE,
                              CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &info))
            return nullptr;
        return AdoptProcessHandles(info.hProcess, info.hThread);
    }

private:
    std::string m_programFolder;
};

} // namespace

std::unique_ptr<RunningProcess> AdoptProcessHandles(HANDLE process, HANDLE thread) {
    return std::make_unique<Win32Process>(process, thread);
}

std::unique_ptr<ProcessLauncher> makeProcessLauncher(std::string programFolder) {
    if (programFolder.empty())
        programFolder = runningProgramFolder();
    return std::make_unique<Win32ProcessLauncher>(std::move(programFolder));
}

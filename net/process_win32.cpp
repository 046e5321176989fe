// The process runner on Windows: CreateProcessA with the whole command line in a
// writable buffer, a hidden window and a console of its own. netsh always comes from
// the system folder, never from the current directory. What the child prints comes
// back through a pipe given to it as its standard output and error; it inherits that
// pipe and its standard input (NUL), and no other handle of the program.
#include "net/process_win32.h"

#include "net/argsplit.h"
#include "net/oserror.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>
#include <windows.h>

namespace {

// While the pipe is open, how often to look whether the child has ended already.
constexpr DWORD kLookPeriodMs = 20;

// A handle closed when it goes out of scope, unless released.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return m_handle; }
    HANDLE* receive() { return &m_handle; }
    HANDLE release() { return std::exchange(m_handle, nullptr); }
    void reset() {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle;
};

// The handles a child is given: the write end of the output pipe (its standard output
// and error) and NUL (its standard input), both inheritable; the read end stays ours.
struct ChildStreams {
    ScopedHandle outputRead;
    ScopedHandle outputWrite;
    ScopedHandle input;

    bool open() {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        if (!::CreatePipe(outputRead.receive(), outputWrite.receive(), &inheritable, 0) ||
            !::SetHandleInformation(outputRead.get(), HANDLE_FLAG_INHERIT, 0))
            return false;
        *input.receive() = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inheritable, OPEN_EXISTING, 0, nullptr);
        return input.get() != INVALID_HANDLE_VALUE;
    }
};

// What the text the console code page (OEM) gives reads as in UTF-8.
std::string oemToUtf8(const std::string& oem) {
    if (oem.empty())
        return {};
    const int wideLength =
        ::MultiByteToWideChar(CP_OEMCP, 0, oem.data(), static_cast<int>(oem.size()), nullptr, 0);
    if (wideLength <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_OEMCP, 0, oem.data(), static_cast<int>(oem.size()), wide.data(), wideLength);
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

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
    Win32Process(HANDLE process, HANDLE thread, HANDLE output)
        : m_process(process), m_thread(thread), m_output(output) {}
    ~Win32Process() override {
        if (m_output)
            ::CloseHandle(m_output);
        if (m_thread)
            ::CloseHandle(m_thread);
        if (m_process)
            ::CloseHandle(m_process);
    }
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;

    std::uint32_t waitForExit() override {
        readUntilEnded();
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

    std::string output() const override { return oemToUtf8(m_printed.text()); }

private:
    // Reads the pipe until every writer has closed it or the child has ended (a process
    // it left behind may hold the pipe open, and is not waited for).
    void readUntilEnded() {
        while (m_output) {
            if (!readAvailable())
                break;
            const DWORD waited = ::WaitForSingleObject(m_process, kLookPeriodMs);
            if (waited == WAIT_FAILED)
                throw EOSError(::GetLastError());
            if (waited == WAIT_OBJECT_0) {
                readAvailable(); // what it printed before it ended is in the pipe already
                break;
            }
        }
        closeOutput();
    }

    // Reads what the pipe holds now; false once it is broken (every writer has gone).
    bool readAvailable() {
        std::array<char, 4096> buffer;
        for (;;) {
            DWORD available = 0;
            if (!::PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr))
                return false;
            if (available == 0)
                return true;
            DWORD read = 0;
            if (!::ReadFile(m_output, buffer.data(), std::min<DWORD>(available, buffer.size()), &read,
                            nullptr))
                return false;
            m_printed.append(std::string_view(buffer.data(), read));
        }
    }

    void closeOutput() {
        if (m_output)
            ::CloseHandle(m_output);
        m_output = nullptr;
    }

    HANDLE m_process;
    HANDLE m_thread;
    HANDLE m_output; // the read end of the child's output pipe; null once read to its end
    OutputTail m_printed;
};

// The attribute list that limits what a child inherits to the handles given.
class InheritOnly {
public:
    explicit InheritOnly(std::array<HANDLE, 2> handles) : m_handles(handles) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_storage.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
        if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        m_list = list;
        m_ok = ::UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles.data(),
                                           sizeof(HANDLE) * m_handles.size(), nullptr, nullptr);
    }
    ~InheritOnly() {
        if (m_list)
            ::DeleteProcThreadAttributeList(m_list);
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    // Null when the list could not be made.
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return m_ok ? m_list : nullptr; }

private:
    std::array<HANDLE, 2> m_handles;
    std::vector<std::byte> m_storage;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
    bool m_ok = false;
};

class Win32ProcessLauncher final : public ProcessLauncher {
public:
    explicit Win32ProcessLauncher(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

    std::unique_ptr<RunningProcess> start(const std::string& commandLine, int showMode) override {
        const std::optional<std::string> program =
            findProgram(splitCommandLine(commandLine).front(), m_programFolder);
        if (!program)
            return nullptr;
        ChildStreams streams;
        if (!streams.open())
            return nullptr;
        const InheritOnly inherit({streams.outputWrite.get(), streams.input.get()});
        if (!inherit.get())
            return nullptr;
        // CreateProcessA may write into the command line: it gets a copy of the whole line.
        std::vector<char> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back('\0');
        STARTUPINFOEXA startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
        startup.StartupInfo.wShowWindow = static_cast<WORD>(showMode);
        startup.StartupInfo.hStdInput = streams.input.get();
        startup.StartupInfo.hStdOutput = streams.outputWrite.get();
        startup.StartupInfo.hStdError = streams.outputWrite.get();
        startup.lpAttributeList = inherit.get();
        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(program->c_str(), buffer.data(), nullptr, nullptr, TRUE,
                              CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | EXTENDED_STARTUPINFO_PRESENT,
                              nullptr, nullptr, &startup.StartupInfo, &info))
            return nullptr;
        // The child holds its own copies now; the pipe reaches its end when the child's go.
        return std::make_unique<Win32Process>(info.hProcess, info.hThread, streams.outputRead.release());
    }

private:
    std::string m_programFolder;
};

} // namespace

std::unique_ptr<RunningProcess> AdoptProcessHandles(HANDLE process, HANDLE thread) {
    return std::make_unique<Win32Process>(process, thread, nullptr);
}

std::unique_ptr<ProcessLauncher> makeProcessLauncher(std::string programFolder) {
    if (programFolder.empty())
        programFolder = runningProgramFolder();
    return std::make_unique<Win32ProcessLauncher>(std::move(programFolder));
}

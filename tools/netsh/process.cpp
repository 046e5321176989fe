#include "process.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace netsh {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_;
};

class FileActions {
public:
    FileActions() { ::posix_spawn_file_actions_init(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

std::string systemPath() {
    std::string path;
    for (const auto& folder : systemProgramFolders()) {
        path += (path.empty() ? "" : ":") + folder;
    }
    return path;
}

// Child environment: ours, with the system folders as PATH (the tools start helpers of
// their own, e.g. dhclient-script) and the C locale so that their output reads the same everywhere
// (its UTF-8 form: in plain C, nmcli prints a connection's non-ASCII letters as "?").
std::vector<std::string> childEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("LC_ALL=", 0) != 0 && entry.rfind("LANG=", 0) != 0 && entry.rfind("PATH=", 0) != 0) {
            env.push_back(entry);
        }
    }
    env.push_back("PATH=" + systemPath());
    env.push_back("LC_ALL=C.UTF-8");
    env.push_back("LANG=C.UTF-8");
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

// Reads both pipes to their end.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
    std::array<pollfd, 2> fds{{{outFd, POLLIN, 0}, {errFd, POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&out, &err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return 127;
        }
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WEXITSTATUS(status);
}

bool openPipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd = Fd(fds[0]);
    writeEnd = Fd(fds[1]);
    return true;
}

} // namespace

const std::vector<std::string>& systemProgramFolders() {
    static const std::vector<std::string> folders{"/usr/sbin", "/usr/bin", "/sbin", "/bin"};
    return folders;
}

std::string systemProgram(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return {};
    }
    for (const auto& folder : systemProgramFolders()) {
        const auto path = folder + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return {};
}

ProcessResult runProgram(const std::vector<std::string>& argv, bool daemon) {
    ProcessResult result;
    Fd outRead, outWrite, errRead, errWrite;
    FileActions actions;
    ::posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    if (daemon) {
        ::posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);
    } else {
        if (!openPipe(outRead, outWrite) || !openPipe(errRead, errWrite)) {
            return {127, {}, std::string("cannot create a pipe: ") + std::strerror(errno)};
        }
        ::posix_spawn_file_actions_adddup2(actions.get(), outWrite.get(), 1);
        ::posix_spawn_file_actions_adddup2(actions.get(), errWrite.get(), 2);
    }

    const auto program = systemProgram(argv[0]);
    if (program.empty()) {
        return {127, {}, argv[0] + ": not found in " + systemPath()};
    }
    auto args = argv;
    auto env = childEnvironment();
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, program.c_str(), actions.get(), nullptr, pointers(args).data(),
                                    pointers(env).data());
    outWrite.reset();
    errWrite.reset();
    if (error != 0) {
        return {127, {}, argv[0] + ": " + std::strerror(error)};
    }
    if (!daemon) {
        drain(outRead.get(), errRead.get(), result.out, result.err);
    }
    result.status = waitFor(pid);
    return result;
}

} // namespace netsh

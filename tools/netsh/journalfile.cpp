#include "journalfile.h"

#include "plan.h"
#include "system.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netsh {

namespace {

// Only a folder (not a link) of our own that nobody else may write into.
bool isOwnClosedFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

std::string journalFolder() {
    if (::geteuid() == 0) {
        return "/run/orvantis";
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && runtime[0] == '/' && ::lstat(runtime, &st) == 0 && isOwnClosedFolder(st)) {
        return std::string(runtime) + "/orvantis";
    }
    return "/tmp/orvantis-netsh-" + std::to_string(::geteuid());
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

void makeFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw PlanError("netsh: cannot keep a journal in " + folder + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !isOwnClosedFolder(st)) {
        throw PlanError("netsh: " + folder +
                        " is not a folder of this user closed to others; its journals are not used");
    }
}

} // namespace

std::string journalPath(const std::string& interface, const Facts& facts) {
    if (facts.manager == Manager::Iproute2) {
        return journalFolder() + "/netsh-" + interface + ".journal";
    }
    const auto& uuid = facts.nmUuid;
    if (uuid.empty() || uuid.find_first_not_of("0123456789abcdefABCDEF-") != std::string::npos) {
        throw PlanError("netsh: NetworkManager gave the connection the UUID \"" + uuid + "\"");
    }
    return journalFolder() + "/netsh-nm-" + uuid + ".journal";
}

std::optional<std::string> readJournalFile(const std::string& path) {
    struct stat folder {};
    if (::lstat(folderOf(path).c_str(), &folder) != 0) {
        return std::nullopt;
    }
    if (!isOwnClosedFolder(folder)) {
        throw PlanError("netsh: " + folderOf(path) +
                        " is not a folder of this user closed to others; its journals are not used");
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw PlanError("netsh: cannot read the journal " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    std::string text;
    const bool own =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
    char buffer[4096];
    for (ssize_t n; own && (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!own) {
        throw PlanError("netsh: the journal " + path + " is not this user's own; it is not used");
    }
    return text;
}

void removeJournalFile(const std::string& path) {
    ::unlink(path.c_str());
    const int dirFd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

JournalFile::JournalFile(std::string path, const std::string& text) : path_(std::move(path)) {
    makeFolder(folderOf(path_));
    if (const auto error = writeFileAtomically(path_, text); !error.empty()) {
        throw PlanError("netsh: cannot write the journal: " + error);
    }
}

JournalFile::~JournalFile() {
    removeJournalFile(path_);
}

} // namespace netsh

#pragma once
// Where a run's journal is kept on this machine: /run/orvantis for root (the folder made
// by root and closed to others, so nobody else can hand root a journal to carry out);
// for another user $XDG_RUNTIME_DIR/orvantis, or /tmp/orvantis-netsh-UID where there is
// no runtime folder of the user's own.

#include "state.h"

#include <optional>
#include <string>

namespace netsh {

// netsh-IF.journal for a kernel interface, netsh-nm-UUID.journal for a NetworkManager
// connection. Throws PlanError for a UUID that is no file name.
std::string journalPath(const std::string& interface, const Facts& facts);

// Reads the journal at path; nothing when there is none. Throws PlanError when the file
// or its folder could have been written by someone else (it is then not trusted).
std::optional<std::string> readJournalFile(const std::string& path);

// Holds a run's journal: writes it on construction (atomically, flushed to disk; throws
// PlanError when it cannot) and removes it on destruction, when the run has ended. A
// run killed half-way leaves it behind.
class JournalFile {
public:
    JournalFile(std::string path, const std::string& text);
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    ~JournalFile();

private:
    std::string path_;
};

void removeJournalFile(const std::string& path);

} // namespace netsh

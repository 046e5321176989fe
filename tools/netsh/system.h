#pragma once
// The parts of netsh that read and change this machine: finding the facts a plan
// needs, carrying a plan out (undoing it on a failure half-way), reading the result back.

#include "plan.h"

#include <string>

namespace netsh {

// Throws UsageError for an unknown connection or interface, PlanError when the
// machine lacks what the request needs.
Facts probeFacts(const Request& request);

Observed observe(const Request& request, const Facts& facts);

// Writes content to path atomically: a new file beside it, flushed to disk, renamed
// over the old one (keeping its mode). A path that is a mount point of its own (as
// `ip netns exec` bind-mounts resolv.conf) cannot be renamed over and is rewritten in place.
// Returns an error text, empty on success.
std::string writeFileAtomically(const std::string& path, const std::string& content);

// Carries out a plan step by step; remembers what it did so that it can undo it.
class Executor {
public:
    // False when a step failed; the error line is then in error() and everything done
    // so far has been undone.
    bool run(const Plan& plan);
    // Undoes every step that run() completed, the last one first.
    void rollback();
    const std::string& error() const { return error_; }

private:
    std::vector<const Step*> done_;
    std::string error_;
};

} // namespace netsh

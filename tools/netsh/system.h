#pragma once
// The parts of netsh that read and change this machine: finding the facts a plan
// needs, performing its actions, reading the result back.

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

// Performs one action of a plan for real (runs the program, or writes the file);
// returns an empty text on success, else the failure's sentence.
std::string performAction(const Action& action);

} // namespace netsh

#pragma once
// The journal of a run: what the interface had before netsh changed it. It is written
// (atomically) before the first change and removed when the run has ended, so a journal
// that is still there names a run that was killed half-way; the next run for that
// interface puts back what the journal holds before it does anything else.

#include "plan.h"

#include <optional>
#include <string>
#include <string_view>

namespace netsh {

struct Journal {
    std::string interface; // the kernel interface, or the NetworkManager connection's name
    // With NetworkManager: the connection's UUID and its IPv4 settings (all of them, for
    // either setting); the interface's own state is then NetworkManager's business.
    std::string nmUuid;
    NmSettings nmPrevious;
    Setting setting = Setting::Address;
    // Setting::Address
    InterfaceState previous;
    bool dhcpRan = false; // a DHCP client of ours ran on the interface
    // Setting::Dns
    Resolver resolver = Resolver::ResolvConf;
    std::string resolvConf;
    std::vector<std::string> resolvedDns;
    friend bool operator==(const Journal&, const Journal&) = default;
};

// What a run of request must be able to put back, from the facts found before it.
Journal journalOf(const Request& request, const Facts& facts);

std::string journalText(const Journal& journal);
// Nothing for a text that is not a whole journal.
std::optional<Journal> parseJournal(std::string_view text);

// The steps that take the interface from what is there now back to the journal's
// state, whichever steps of the interrupted run had been carried out.
Plan recoveryPlan(const Journal& journal, const Facts& now);

} // namespace netsh

// netsh for Linux: carries out the "interface ip set address|dns" command lines that
// Orvantis sends, through NetworkManager when it runs, else iproute2, a DHCP client
// and systemd-resolved or /etc/resolv.conf. Exit code 0 only when the configuration
// asked for is in place; 1 otherwise, with one line on standard error.

#include "executor.h"
#include "journal.h"
#include "journalfile.h"
#include "killswitch.h"
#include "lock.h"
#include "net/startsignals.h"
#include "plan.h"
#include "request.h"
#include "system.h"

#include <iostream>

namespace {

// True when journal is that of the interface or connection this run changes.
bool belongsTo(const netsh::Journal& journal, const std::string& interface, const netsh::Facts& facts) {
    if (facts.manager == netsh::Manager::NetworkManager) {
        return journal.nmUuid == facts.nmUuid;
    }
    return journal.nmUuid.empty() && journal.interface == interface;
}

// What there is now, as far as putting back the journal's state needs it.
netsh::Facts factsNow(const netsh::Journal& journal, const netsh::Facts& facts) {
    if (facts.manager == netsh::Manager::NetworkManager) {
        return facts;
    }
    netsh::Request probe;
    probe.setting = journal.setting;
    probe.name = journal.interface;
    return netsh::probeFacts(probe);
}

// Puts back what a run on this interface or connection that was killed half-way had
// changed (its journal is still there), before this run changes anything. True when
// there was such a run.
bool recoverInterrupted(const std::string& path, const netsh::Request& request, const netsh::Facts& facts,
                        netsh::KillSwitch& kill) {
    const auto text = netsh::readJournalFile(path);
    if (!text) {
        return false;
    }
    const auto journal = netsh::parseJournal(*text);
    const std::string what = "netsh: an earlier run on \"" + request.name + "\" was interrupted";
    if (!journal || !belongsTo(*journal, request.name, facts)) {
        netsh::removeJournalFile(path);
        throw netsh::PlanError(what + " and its journal " + path +
                               " is damaged (now removed); check the connection's configuration");
    }
    for (const auto& step : netsh::recoveryPlan(*journal, factsNow(*journal, facts))) {
        kill.step();
        if (const auto failure = netsh::performAction(step.action); !failure.empty() && !step.mayFail) {
            netsh::removeJournalFile(path);
            throw netsh::PlanError(what + " and what it changed could not be put back: " + failure);
        }
    }
    netsh::removeJournalFile(path);
    return true;
}

int apply(const std::vector<std::string>& args) {
    const auto request = netsh::parseRequest(args);
    const netsh::RunLock lock;
    netsh::KillSwitch kill;
    auto facts = netsh::probeFacts(request);
    const auto journalPath = netsh::journalPath(request.name, facts);
    if (recoverInterrupted(journalPath, request, facts, kill)) {
        facts = netsh::probeFacts(request);
    }
    const auto plan = netsh::makePlan(request, facts);
    const netsh::JournalFile journal(journalPath, netsh::journalText(netsh::journalOf(request, facts)));
    netsh::Executor executor([&](const netsh::Action& action) {
        kill.step();
        return netsh::performAction(action);
    });
    if (!executor.run(plan)) {
        std::cerr << executor.error() << '\n';
        kill.step();
        return 1;
    }
    if (const auto missing = netsh::whatIsMissing(request, facts, netsh::observe(request, facts))) {
        std::cerr << "netsh: " << *missing << "; " << netsh::restoredText(executor.rollback()) << '\n';
        kill.step();
        return 1;
    }
    kill.step();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    RestoreSignalDefaults(); // every tool run here is waited for, and expects the default SIGPIPE
    try {
        return apply({argv + 1, argv + argc});
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}

#include "executor.h"

#include <optional>

namespace netsh {

namespace {

std::string trimmed(std::string text) {
    const auto end = text.find_last_not_of(" \t\r\n.");
    text.erase(end == std::string::npos ? 0 : end + 1);
    const auto start = text.find_first_not_of(" \t");
    return start == std::string::npos ? std::string{} : text.substr(start);
}

std::string firstLine(const std::string& text) {
    return trimmed(text.substr(0, text.find('\n')));
}

std::string commandText(const std::vector<std::string>& argv) {
    std::string text;
    for (const auto& a : argv) {
        text += (text.empty() ? "" : " ") + a;
    }
    return text;
}

// nmcli's reason: its first line without the "Error: " in front.
std::string nmReason(const std::string& err) {
    auto reason = firstLine(err);
    const std::string prefix = "Error: ";
    if (reason.rfind(prefix, 0) == 0) {
        reason.erase(0, prefix.size());
    }
    return reason;
}

// "nmcli connection modify|up id NAME ...": what NetworkManager was asked to do.
std::optional<std::string> nmWhat(const std::vector<std::string>& argv) {
    if (argv.size() < 5 || argv[0] != "nmcli" || argv[1] != "connection") {
        return std::nullopt;
    }
    const std::string connection = "the connection \"" + argv[4] + "\"";
    if (argv[2] == "modify") {
        return "NetworkManager could not change " + connection;
    }
    if (argv[2] == "up") {
        return "NetworkManager could not activate " + connection;
    }
    return std::nullopt;
}

// "ip -4 route add ROUTE... dev IF": a route of the interface that netsh puts back.
std::optional<std::string> keptRouteWhat(const std::vector<std::string>& argv) {
    if (argv.size() < 7 || argv[0] != "ip" || argv[2] != "route" || argv[3] != "add") {
        return std::nullopt;
    }
    const std::vector<std::string> route(argv.begin() + 4, argv.end() - 2);
    return "the route " + commandText(route) + " cannot be kept with the new configuration";
}

} // namespace

std::string describeFailure(const Command& command, const ActionResult& result) {
    if (const auto what = nmWhat(command.argv)) {
        const auto reason = nmReason(result.err);
        return *what +
               (reason.empty() ? " (nmcli exit " + std::to_string(result.status) + ")" : ": " + reason);
    }
    const auto detail = firstLine(result.err);
    if (const auto what = keptRouteWhat(command.argv)) {
        return *what + (detail.empty() ? "" : " (" + nmReason(result.err) + ")");
    }
    return "\"" + commandText(command.argv) + "\" failed (exit " + std::to_string(result.status) + ")" +
           (detail.empty() ? "" : ": " + detail);
}

bool Executor::run(const Plan& plan) {
    for (const auto& step : plan) {
        const auto failure = perform_(step.action);
        if (!failure.empty() && !step.mayFail) {
            const bool changed = !done_.empty();
            error_ = "netsh: " + failure + (changed ? "; " + restoredText(rollback()) : "");
            return false;
        }
        done_.push_back(&step);
    }
    return true;
}

std::vector<std::string> Executor::rollback() {
    std::vector<std::string> failures;
    for (auto it = done_.rbegin(); it != done_.rend(); ++it) {
        for (const auto& action : (*it)->undo) {
            if (auto failure = perform_(action); !failure.empty()) {
                failures.push_back(std::move(failure));
            }
        }
    }
    done_.clear();
    return failures;
}

std::string restoredText(const std::vector<std::string>& undoFailures) {
    if (undoFailures.empty()) {
        return "the previous configuration was restored";
    }
    std::string text = "the previous configuration could not be fully restored: ";
    for (std::size_t i = 0; i < undoFailures.size(); ++i) {
        text += (i ? "; " : "") + undoFailures[i];
    }
    return text;
}

} // namespace netsh

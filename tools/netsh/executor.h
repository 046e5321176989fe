#pragma once
// Carries out a plan step by step and undoes it, through a function that performs one
// action (the real one runs programs and writes files; the tests give their own).

#include "plan.h"

#include <functional>
#include <string>
#include <vector>

namespace netsh {

// What a program run gives back, as far as a failure's message needs it.
struct ActionResult {
    int status = 0;
    std::string err;
    bool ok() const { return status == 0; }
};

// One readable sentence for a failed action (without "netsh: "): for nmcli, what
// NetworkManager could not do and its reason; for other programs, the command and its
// first line of error output.
std::string describeFailure(const Command& command, const ActionResult& result);

class Executor {
public:
    // Performs one action; returns an empty text on success, else the failure's sentence.
    using Perform = std::function<std::string(const Action&)>;

    explicit Executor(Perform perform) : perform_(std::move(perform)) {}

    // False when a step failed; the error line is then in error() and everything done
    // so far has been undone (the line says whether that worked).
    bool run(const Plan& plan);
    // Undoes every step that run() completed, the last one first. Returns the failures
    // of the undo actions (empty when everything was put back).
    std::vector<std::string> rollback();
    const std::string& error() const { return error_; }

private:
    Perform perform_;
    std::vector<const Step*> done_;
    std::string error_;
};

// The end of the line that reports a failure: that the previous configuration was
// restored, or what of it could not be.
std::string restoredText(const std::vector<std::string>& undoFailures);

} // namespace netsh

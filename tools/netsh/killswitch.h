#pragma once
// For the tests that kill netsh half-way: with ORVANTIS_NETSH_TEST_KILL_AT=N, the N-th
// call of step() kills netsh at once (SIGKILL, as a crash or a power cut would). It is
// active only in a test's sandbox: the network namespace that the sandbox has named in
// /run/orv-netns-sandbox or /run/orv-nm-sandbox (in its private /run). On the machine
// itself, where neither file names netsh's namespace, it does nothing.

namespace netsh {

class KillSwitch {
public:
    KillSwitch();
    void step();

private:
    long at_ = 0;
    long count_ = 0;
};

} // namespace netsh

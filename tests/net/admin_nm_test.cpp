// The administrator check beside a real NetworkManager, in the sandbox of
// tests/tools/nm-sandbox.sh (its NetworkManager refuses requests from users other than
// root: auth-polkit=root-only). NetworkManager decides, not the capabilities.
#include "childcheck.h"
#include "net/admin.h"
#include "net/networkmanager.h"

#include <gtest/gtest.h>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

class IsAdminBesideNetworkManager : public testing::Test {
protected:
    void SetUp() override {
        if (::access("/run/orv-nm-sandbox", F_OK) != 0)
            GTEST_SKIP() << "runs only inside tests/tools/nm-sandbox.sh";
        ASSERT_TRUE(NetworkManagerRuns()) << "the sandbox's NetworkManager was not found";
    }
};

TEST_F(IsAdminBesideNetworkManager, RootMayChangeSystemConnections) {
    EXPECT_EQ(NetworkManagerAllowsChange(), std::optional<bool>(true)) << "(null: no answer within 40 ms)";
    EXPECT_TRUE(IsAdmin());
}

// Where dbus-send is missing, nmcli asks. It loads NetworkManager's whole state first
// (20 to 40 ms), so on a busy machine it may miss the time limit: then it is skipped.
TEST_F(IsAdminBesideNetworkManager, WithoutDbusSendNmcliAsks) {
    const int code = exitCodeOfChild([] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("/dev/null", "/usr/bin/dbus-send", nullptr, MS_BIND, nullptr) != 0 ||
            ::access("/usr/bin/dbus-send", X_OK) == 0)
            return kCouldNotPrepare;
        const std::optional<bool> allows = NetworkManagerAllowsChange();
        return !allows ? 3 : (*allows ? kAnswersTrue : kAnswersFalse);
    });
    ASSERT_NE(code, kCouldNotPrepare) << "dbus-send could not be hidden";
    if (code == 3)
        GTEST_SKIP() << "nmcli did not answer within 40 ms on this machine";
    EXPECT_EQ(code, kAnswersTrue);
}

// The answer "no" itself, not a question that went unanswered.
TEST_F(IsAdminBesideNetworkManager, NetworkManagerItselfRefusesAUser) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                      return kCouldNotPrepare;
                  const std::optional<bool> allows = NetworkManagerAllowsChange();
                  return !allows ? 3 : (*allows ? kAnswersTrue : kAnswersFalse);
              }),
              kAnswersFalse)
        << "1: allowed; 3: no answer within 40 ms";
}

TEST_F(IsAdminBesideNetworkManager, RootWithoutTheCapabilityStillMay) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (::prctl(PR_CAPBSET_DROP, CAP_NET_ADMIN, 0, 0, 0) != 0)
                      return kCouldNotPrepare;
                  return isAdminAnswer();
              }),
              kAnswersTrue);
}

TEST_F(IsAdminBesideNetworkManager, AUserMayNot) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                      return kCouldNotPrepare;
                  return isAdminAnswer();
              }),
              kAnswersFalse);
}

// NetworkManager ignores capabilities: a user holding CAP_NET_ADMIN, even for the
// programs it starts, is refused all the same.
TEST_F(IsAdminBesideNetworkManager, AUserWithTheCapabilityMayNot) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (!becomeUserHoldingNetAdmin(true))
                      return kCouldNotPrepare;
                  return isAdminAnswer();
              }),
              kAnswersFalse);
}

} // namespace

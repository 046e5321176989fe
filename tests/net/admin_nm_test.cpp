// The administrator check beside a real NetworkManager, in the sandbox of
// tests/tools/nm-sandbox.sh (its NetworkManager refuses requests from users other than
// root: auth-polkit=root-only). NetworkManager decides, not the capabilities.
#include "childcheck.h"
#include "net/admin.h"
#include "net/networkmanager.h"

#include <gtest/gtest.h>
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
    EXPECT_TRUE(IsAdmin());
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

// The administrator check beside a real NetworkManager, in the sandbox of
// tests/tools/nm-sandbox.sh (its NetworkManager refuses requests from users other than
// root: auth-polkit=root-only). NetworkManager decides, not the capabilities.
#include "childcheck.h"
#include "net/admin.h"
#include "net/networkmanager.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int kAnswersFalse = 0;
constexpr int kAnswersTrue = 1;
constexpr int kCouldNotPrepare = 2;

int answer() {
    return IsAdmin() ? kAnswersTrue : kAnswersFalse;
}

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
                  return answer();
              }),
              kAnswersTrue);
}

TEST_F(IsAdminBesideNetworkManager, AUserMayNot) {
    EXPECT_EQ(exitCodeOfChild([] {
                  if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                      return kCouldNotPrepare;
                  return answer();
              }),
              kAnswersFalse);
}

// NetworkManager ignores capabilities: a user holding CAP_NET_ADMIN, even for the
// programs it starts, is refused all the same.
TEST_F(IsAdminBesideNetworkManager, AUserWithTheCapabilityMayNot) {
    EXPECT_EQ(exitCodeOfChild([] {
                  constexpr std::uint32_t netAdmin = std::uint32_t{1} << CAP_NET_ADMIN;
                  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
                  __user_cap_data_struct data[2]{{netAdmin, netAdmin, netAdmin}, {0, 0, 0}};
                  if (::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0 || ::setgid(65534) != 0 ||
                      ::setuid(65534) != 0 || ::syscall(SYS_capset, &header, data) != 0 ||
                      ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, CAP_NET_ADMIN, 0, 0) != 0)
                      return kCouldNotPrepare;
                  return answer();
              }),
              kAnswersFalse);
}

} // namespace

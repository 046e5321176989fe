// The administrator check: the pure reading of CAP_NET_ADMIN, and the answer on this
// machine for root and for a user without rights.
#include "net/admin.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct StatusCase {
    const char* name;
    std::string status;
    bool grantsNetAdmin;
};

class CapEffLine : public testing::TestWithParam<StatusCase> {};

TEST_P(CapEffLine, DecidesNetAdmin) {
    EXPECT_EQ(statusGrantsNetAdmin(GetParam().status), GetParam().grantsNetAdmin);
}

const std::string kHead = "Name:\ttest\nUid:\t1000\t1000\t1000\t1000\nCapInh:\t0000000000000000\n"
                          "CapPrm:\t0000000000001000\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CapEffLine,
    testing::Values(StatusCase{"OnlyNetAdmin", kHead + "CapEff:\t0000000000001000\nCapBnd:\t0\n", true},
                    StatusCase{"RootLike", kHead + "CapEff:\t000001fffeffffff\n", true},
                    StatusCase{"UpperCaseHexLastLine", kHead + "CapEff:\t000001FFFEFFFFFF", true},
                    StatusCase{"None", kHead + "CapEff:\t0000000000000000\n", false},
                    StatusCase{"AllBelowNetAdmin", kHead + "CapEff:\t0000000000000fff\n", false},
                    StatusCase{"AllButNetAdmin", kHead + "CapEff:\tffffffffffffefff\n", false},
                    StatusCase{"OnlyPermittedNotEffective", kHead, false},
                    StatusCase{"Malformed", kHead + "CapEff:\t00000000000g1000\n", false},
                    StatusCase{"TooLong", kHead + "CapEff:\t10000000000001000\n", false},
                    StatusCase{"EmptyValue", kHead + "CapEff:\t\n", false},
                    StatusCase{"EmptyText", "", false}),
    [](const testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

TEST(IsAdmin, AnswersTheSameTwice) {
    EXPECT_EQ(IsAdmin(), IsAdmin());
}

TEST(IsAdmin, RootIsAnAdministratorAndAnUnprivilegedUserIsNot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to compare root with an unprivileged user";
    EXPECT_TRUE(IsAdmin());
    // A child becomes the user nobody (which clears its capabilities) and reports.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(IsAdmin() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: the unprivileged user counted as administrator; 2: setuid failed";
}

} // namespace

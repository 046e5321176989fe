// Splitting a command line as the Microsoft C runtime builds argv.
#include "net/argsplit.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> arguments;
};

class SplitCommandLine : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheRuntimesArguments) {
    EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitCommandLine,
    testing::Values(
        SplitCase{"Words", "netsh interface ip", {"netsh", "interface", "ip"}},
        SplitCase{"RunsOfBlanksAndTabs", "p \t a\t\tb  ", {"p", "a", "b"}}, SplitCase{"Empty", "", {""}},
        SplitCase{"LeadingBlankGivesEmptyProgram", " a b", {"", "a", "b"}},
        SplitCase{
            "QuotedProgramName", "\"C:\\Program Files\\x.exe\" arg", {"C:\\Program Files\\x.exe", "arg"}},
        SplitCase{"ProgramNameKeepsBackslashBeforeQuote", "C:\\a\\\"b c", {"C:\\a\\b c"}},
        SplitCase{"QuotedArgument", "p \"a b\"  c", {"p", "a b", "c"}},
        SplitCase{"QuotesInsideWord", "p a\"b c\"d", {"p", "ab cd"}},
        SplitCase{"EmptyQuotedArgument", "p \"\" x", {"p", "", "x"}},
        SplitCase{"BackslashesPlainBeforeLetters", "p a\\\\b\\c", {"p", "a\\\\b\\c"}},
        SplitCase{"TrailingBackslashesPlain", "p a\\\\", {"p", "a\\\\"}},
        SplitCase{"OddBackslashesGiveLiteralQuote", "p a\\\"b", {"p", "a\"b"}},
        SplitCase{"ThreeBackslashesGiveOneAndQuote", "p a\\\\\\\"b", {"p", "a\\\"b"}},
        SplitCase{"EvenBackslashesHalveAndQuote", "p a\\\\\"b c\"", {"p", "a\\b c"}},
        SplitCase{"DoubledQuoteInsideQuotes", "p \"a\"\"b\" c", {"p", "a\"b", "c"}},
        SplitCase{"DoubledQuoteKeepsQuotedPartOpen", "p \"a\"\" b\"", {"p", "a\" b"}},
        SplitCase{"UnclosedQuoteRunsToTheEnd", "p \"a  b", {"p", "a  b"}},
        SplitCase{
            "NetshLineWithQuoteInName",
            "netsh interface ip set address \"LA\"N\"  static 10.0.0.5 255.255.255.0 10.0.0.1 1",
            {"netsh", "interface", "ip", "set", "address", "LAN  static 10.0.0.5 255.255.255.0 10.0.0.1 1"}},
        SplitCase{"NetshDhcpLine",
                  "netsh interface ip set dns \"Local Area Connection\"  dhcp ",
                  {"netsh", "interface", "ip", "set", "dns", "Local Area Connection", "dhcp"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

} // namespace

// The last 4 KiB of what a process printed, shared by the Linux and the Windows runner.
#include "net/outputtail.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct TailCase {
    const char* name;
    std::vector<std::string> pieces; // appended one after the other
    std::string text;
};

class OutputTailCases : public testing::TestWithParam<TailCase> {};

TEST_P(OutputTailCases, KeepTheLastBytesFromAWholeLine) {
    OutputTail tail;
    for (const std::string& piece : GetParam().pieces)
        tail.append(piece);
    EXPECT_EQ(tail.text(), GetParam().text);
}

const std::string kLimit(kOutputLimit, 'x');

INSTANTIATE_TEST_SUITE_P(
    Table, OutputTailCases,
    testing::Values(
        TailCase{"Nothing", {}, ""}, TailCase{"EmptyPieces", {"", ""}, ""},
        TailCase{"PiecesJoined", {"ab", "c\nd", "\n"}, "abc\nd\n"},
        TailCase{"ExactlyTheLimitInOnePiece", {kLimit}, kLimit},
        TailCase{"ExactlyTheLimitInTwoPieces", {kLimit.substr(0, 100), kLimit.substr(100)}, kLimit},
        TailCase{"OneLongLineKeepsItsLastBytes", {"begin" + kLimit}, kLimit},
        TailCase{"AfterACutFromTheFirstWholeLine",
                 {"old line\n", std::string(kOutputLimit - 5, 'p') + "\nlast line\n"},
                 "last line\n"},
        TailCase{
            "ACutInsideTheFirstLineDropsItsRest", {std::string(kOutputLimit, 'a') + "\nkept\n"}, "kept\n"},
        TailCase{"ABigPieceAfterOthers",
                 {"first\n", "second\n", std::string(kOutputLimit + 10, 'z') + "\nend"},
                 "end"},
        TailCase{"ManySmallPieces", std::vector<std::string>(2000, "line\n"),
                 [] {
                     std::string kept;
                     for (std::size_t i = 0; i < kOutputLimit / 5; ++i)
                         kept += "line\n";
                     return kept; // the cut fell just before the first of these lines
                 }()}),
    [](const testing::TestParamInfo<TailCase>& info) { return info.param.name; });

} // namespace

// The IP change job on fakes: the order of the steps and texts on the indicator, the
// failure texts and the closing warning, the caught errors, release-on-end and two
// jobs side by side.
#include "changeipfakes.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Events = std::vector<std::string>;
using Outcomes = std::vector<std::optional<std::uint32_t>>;

const std::string kAddressLine =
    "netsh interface ip set address \"LAN\"  static 10.0.0.5 255.255.255.0 10.0.0.1 1";
const std::string kDnsLine = "netsh interface ip set dns \"LAN\"  static 10.0.0.2 primary";
const std::string kChanging = "label Now changing IP,SubnetMask & Gateway properties...Please wait.";
const std::string kChanged = "label IP Settings Succecsfully changed...Posting data please wait...";
const Events kOpening = {"animate show", "label show", "animate play 1-8", "label Creating Process"};

Events concat(std::initializer_list<Events> parts) {
    Events all;
    for (const Events& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class ChangeIpJob : public testing::Test {
protected:
    std::unique_ptr<TChangeIp> makeJob(Outcomes outcomes, int overlap = 1) {
        launcher = std::make_shared<ScriptedLauncher>(log, std::move(outcomes), overlap);
        auto job = std::make_unique<TChangeIp>(host, launcher, recordingPause(log));
        job->FAnimate = &animation;
        job->FLabel = &label;
        job->FIPAddress = "10.0.0.5";
        job->FSubnetMask = "255.255.255.0";
        job->FGateway = "10.0.0.1";
        job->FDNS = "10.0.0.2";
        job->FDHCP = false;
        job->FConnectionName = "LAN";
        return job;
    }
    Events runToEnd(std::unique_ptr<TChangeIp> job) {
        job->Start();
        job->WaitFor();
        return log.events();
    }

    EventLog log;
    std::shared_ptr<UiThreadHost> host = std::make_shared<UiThreadHost>(log);
    FakeAnimation animation{*host};
    FakeLabel label{*host};
    std::shared_ptr<ScriptedLauncher> launcher;
};

TEST_F(ChangeIpJob, SuccessShowsTheThreeTextsForEachLineThenHides) {
    const Events expected = concat({kOpening,
                                    {"start (0) " + kAddressLine, kChanging, "wait", kChanged, "pause 1000"},
                                    kOpening,
                                    {"start (0) " + kDnsLine, kChanging, "wait", kChanged, "pause 1000"},
                                    {"animate stop", "animate hide", "label hide"}});
    EXPECT_EQ(runToEnd(makeJob({0, 0})), expected);
}

// Every event of a job whose address line ends with code 1 and whose DNS line succeeds,
// up to the closing warning.
Events addressLineFailsThen(const std::string& warning) {
    return concat({kOpening,
                   {"start (0) " + kAddressLine, kChanging, "wait",
                    "label Changing IP settings failed: netsh ended with code 1.", "pause 1000"},
                   kOpening,
                   {"start (0) " + kDnsLine, kChanging, "wait", kChanged, "pause 1000"},
                   {"animate stop", "animate hide", "label hide", warning}});
}

TEST_F(ChangeIpJob, NonZeroExitShowsTheFailureTextAndTheWarning) {
    EXPECT_EQ(
        runToEnd(makeJob({1, 0})),
        addressLineFailsThen(
            "warning: The IP Set was not applied completely.\rAddress settings: netsh ended with code 1"));
}

TEST_F(ChangeIpJob, WhatNetshPrintsChangesNoTextOnTheIndicator) {
    auto job = makeJob({1, 0});
    launcher->setOutputs({"Element not found.\r\n", "Ok.\r\n"});
    EXPECT_EQ(runToEnd(std::move(job)),
              addressLineFailsThen("warning: The IP Set was not applied completely.\rAddress settings: netsh "
                                   "ended with code 1\rElement not found."));
}

TEST_F(ChangeIpJob, ProcessThatCannotStartShowsItsTextAndTheDnsLineStillRuns) {
    const Events expected = concat(
        {kOpening,
         {"start (0) " + kAddressLine, "label Could not start netsh.", "pause 1000"},
         kOpening,
         {"start (0) " + kDnsLine, "label Could not start netsh.", "pause 1000"},
         {"animate stop", "animate hide", "label hide",
          "warning: The IP Set was not applied completely.\rAddress settings: netsh could not be started"
          "\rDNS settings: netsh could not be started"}});
    EXPECT_EQ(runToEnd(makeJob({std::nullopt, std::nullopt})), expected);
}

TEST_F(ChangeIpJob, ExitCodeOfTwoToTheThirtyFirstIsARangeCheckErrorShownWithoutIcon) {
    const Events expected = concat({kOpening,
                                    {"start (0) " + kAddressLine, kChanging, "wait",
                                     "label Changing IP settings failed: netsh ended with code 2147483648.",
                                     "pause 1000", "message: Range check error"},
                                    kOpening,
                                    {"start (0) " + kDnsLine, kChanging, "wait", kChanged, "pause 1000"},
                                    {"animate stop", "animate hide", "label hide",
                                     "warning: The IP Set was not applied completely.\rAddress settings: "
                                     "netsh ended with code 2147483648"}});
    EXPECT_EQ(runToEnd(makeJob({0x80000000u, 0})), expected);
}

struct WarningCase {
    const char* name;
    Outcomes outcomes;
    std::string lastEvent;
    std::vector<std::string> outputs = {}; // what each process prints
};

class ClosingWarning : public ChangeIpJob, public testing::WithParamInterface<WarningCase> {};

TEST_P(ClosingWarning, NamesEachFailedLine) {
    auto job = makeJob(GetParam().outcomes);
    launcher->setOutputs(GetParam().outputs);
    const Events events = runToEnd(std::move(job));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), GetParam().lastEvent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosingWarning,
    testing::Values(
        WarningCase{"BothSucceed", {0, 0}, "label hide"},
        WarningCase{"DnsFails",
                    {0, 5},
                    "warning: The IP Set was not applied completely.\rDNS settings: netsh ended with code 5"},
        WarningCase{
            "BothFail",
            {2, std::nullopt},
            "warning: The IP Set was not applied completely.\rAddress settings: netsh ended with code 2"
            "\rDNS settings: netsh could not be started"},
        WarningCase{
            "LargestSignedCode",
            {0x7FFFFFFFu, 0},
            "warning: The IP Set was not applied completely.\rAddress settings: netsh ended with code "
            "2147483647"},
        WarningCase{"AllBitsSet",
                    {0, 0xFFFFFFFFu},
                    "warning: The IP Set was not applied completely.\rDNS settings: netsh ended with code "
                    "4294967295"},
        WarningCase{
            "NetshWordsFollowTheFailedLine",
            {1, 0},
            "warning: The IP Set was not applied completely.\rAddress settings: netsh ended with code "
            "1\rnetsh: there is no NetworkManager connection named \"LAN\"",
            {"netsh: there is no NetworkManager connection named \"LAN\"\n", "ignored\n"}},
        WarningCase{
            "WordsOfEachFailedLine",
            {1, 1},
            "warning: The IP Set was not applied completely.\rAddress settings: netsh ended with code "
            "1\rOperation not permitted\rDNS settings: netsh ended with code 1\r"
            "The filename, directory name, or volume label syntax is incorrect.",
            {"Operation not permitted\n",
             "\r\nThe filename, directory name, or volume label syntax is incorrect.\r\n\r\n"}},
        WarningCase{"WordsOfASucceededLineAreNotShown", {0, 0}, "label hide", {"Ok.\r\n", "Ok.\r\n"}},
        WarningCase{"BlankOutputGivesTheTextAlone",
                    {0, 7},
                    "warning: The IP Set was not applied completely.\rDNS settings: netsh ended with code 7",
                    {"", " \r\n\t\n"}},
        WarningCase{"ALineThatCouldNotStartHasNoWords",
                    {std::nullopt, 0},
                    "warning: The IP Set was not applied completely.\rAddress settings: netsh could not be "
                    "started",
                    {"never printed\n", ""}}),
    [](const testing::TestParamInfo<WarningCase>& info) { return info.param.name; });

// ---- What netsh printed, as the closing warning shows it -----------------------------

struct ShownCase {
    const char* name;
    std::string output;
    std::string shown;
};

class ShownOutput : public testing::TestWithParam<ShownCase> {};

TEST_P(ShownOutput, IsTheLastLinesTrimmed) {
    EXPECT_EQ(ChangeIpText::shownOutput(GetParam().output), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShownOutput,
    testing::Values(ShownCase{"Nothing", "", ""}, ShownCase{"OnlyBlanks", " \r\n\t\n\n   ", ""},
                    ShownCase{"OneLine", "Operation not permitted\n", "Operation not permitted"},
                    ShownCase{"NoFinalLineEnd", "Operation not permitted", "Operation not permitted"},
                    ShownCase{"WindowsLineEndsAndTrailingBlanks", "\r\nThe syntax is wrong.  \t\r\n\r\n",
                              "The syntax is wrong."},
                    ShownCase{"LeadingBlanksStay", "usage:\n  netsh interface ip set address\n",
                              "usage:\r  netsh interface ip set address"},
                    ShownCase{"ControlCharactersLeftOutTabsAsBlanks",
                              "a\tb\x1b"
                              "[1mc\x07\x7f\n",
                              "a b[1mc"},
                    ShownCase{"TheLastSixLines", "1\n2\n\n3\n4\n5\n6\n7\n8\n", "3\r4\r5\r6\r7\r8"},
                    ShownCase{"ALongLineIsCut", std::string(250, 'x') + "\n", std::string(200, 'x') + "..."},
                    ShownCase{"ALineOfExactlyTheLimitIsWhole", std::string(200, 'x'), std::string(200, 'x')},
                    ShownCase{"TheCutKeepsCharactersWhole",
                              std::string(199, 'a') + "\xc3\xbc\xc3\xbc\xc3\xbc",
                              std::string(199, 'a') + "\xc3\xbc..."},
                    ShownCase{"TheCutDropsBlanksBeforeTheEllipsis", std::string(198, 'a') + "   bbb",
                              std::string(198, 'a') + "..."},
                    ShownCase{"NonAsciiLettersStay",
                              "Verbindung \xc2\xbb"
                              "B\xc3\xbc"
                              "ro\xc2\xab fehlt\n",
                              "Verbindung \xc2\xbb"
                              "B\xc3\xbc"
                              "ro\xc2\xab fehlt"}),
    [](const testing::TestParamInfo<ShownCase>& info) { return info.param.name; });

TEST_F(ChangeIpJob, MissingConnectionNameWarnsAndRunsNothing) {
    auto job = makeJob({});
    job->FConnectionName.clear();
    EXPECT_EQ(runToEnd(std::move(job)),
              Events{"warning: You did not set a valid Connection Name for the IP Set Or the record was not "
                     "found.\rPlease go to IP Sets and enter a valid Connection Name."});
    EXPECT_EQ(launcher->started(), 0);
}

TEST_F(ChangeIpJob, BlankConnectionNameIsUsedAsItIs) {
    auto job = makeJob({0, 0});
    job->FConnectionName = " ";
    job->FDHCP = true;
    const Events events = runToEnd(std::move(job));
    EXPECT_EQ(
        std::count(events.begin(), events.end(), "start (0) netsh interface ip set address \" \"  dhcp "), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "start (0) netsh interface ip set dns \" \"  dhcp "),
              1);
}

TEST_F(ChangeIpJob, ErrorOfAStepIsShownAndTheJobGoesOnWithTheNextLine) {
    label.failOnceOnCaption = "Creating Process";
    const Events expected = concat(
        {kOpening,
         {"message: label gone"},
         kOpening,
         {"start (0) " + kDnsLine, kChanging, "wait", kChanged, "pause 1000"},
         {"animate stop", "animate hide", "label hide",
          "warning: The IP Set was not applied completely.\rAddress settings: netsh could not be started"}});
    EXPECT_EQ(runToEnd(makeJob({0})), expected);
}

TEST_F(ChangeIpJob, ErrorAtTheEndEndsTheJobQuietlyAndReleasesIt) {
    animation.failOnStop = true;
    TChangeIp::StartReleasing(makeJob({3, 0}));
    ASSERT_TRUE(eventually([this] { return host.use_count() == 1; })) << "the job was not released";
    const Events events = log.events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "animate stop"); // no hiding, no warning after the error
}

TEST_F(ChangeIpJob, ReleasesItselfWhenItsBodyEnds) {
    TChangeIp::StartReleasing(makeJob({0, 0}));
    ASSERT_TRUE(eventually([this] { return host.use_count() == 1; })) << "the job was not released";
    EXPECT_EQ(log.events().back(), "label hide");
}

TEST_F(ChangeIpJob, TwoJobsRunSideBySideWithFourProcesses) {
    // Each process waits until two have started, so the jobs must overlap to finish.
    TChangeIp::StartReleasing(makeJob({0, 0, 0, 0}, 2));
    auto second = std::make_unique<TChangeIp>(host, launcher, recordingPause(log));
    second->FAnimate = &animation;
    second->FLabel = &label;
    second->FDHCP = true;
    second->FConnectionName = "WLAN";
    TChangeIp::StartReleasing(std::move(second));

    ASSERT_TRUE(eventually([this] { return host.use_count() == 1; })) << "the jobs were not released";
    const Events events = log.events();
    EXPECT_EQ(launcher->started(), 4);
    for (const std::string& line :
         {kAddressLine, kDnsLine, std::string("netsh interface ip set address \"WLAN\"  dhcp "),
          std::string("netsh interface ip set dns \"WLAN\"  dhcp ")})
        EXPECT_EQ(std::count(events.begin(), events.end(), "start (0) " + line), 1) << line;
    EXPECT_EQ(std::count(events.begin(), events.end(), "label hide"), 2);
    EXPECT_EQ(std::count(events.begin(), events.end(), kChanged), 4);
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.rfind("OFF UI THREAD", 0) == 0; }),
              0);
}

TEST_F(ChangeIpJob, NeedsItsIndicatorAndRunsOnce) {
    auto job = makeJob({0, 0});
    job->FLabel = nullptr;
    EXPECT_THROW(job->Start(), std::logic_error);
    job->FLabel = &label;
    job->Start();
    EXPECT_THROW(job->Start(), std::logic_error);
    job->WaitFor();
    EXPECT_EQ(launcher->started(), 2);
}

} // namespace

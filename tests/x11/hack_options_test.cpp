#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xhack/hack_options.h"

namespace {

struct Parsed {
    bool ok;
    HackOptions options;
    std::string error;
};

Parsed Parse(std::vector<const char*> args, const char* screensaverWindow = nullptr)
{
    args.insert(args.begin(), "ondulite-x11");
    Parsed parsed;
    parsed.ok = ParseHackOptions((int)args.size(), args.data(), screensaverWindow, &parsed.options, &parsed.error);
    return parsed;
}

}  // namespace

TEST(WindowId, ReadsHexadecimalAndDecimalAsXToolsPrintThem)
{
    uint32_t id = 0;
    EXPECT_TRUE(ParseWindowId("0x1a00003", &id));
    EXPECT_EQ(id, 0x1a00003u);
    EXPECT_TRUE(ParseWindowId("0X1A0000f", &id));
    EXPECT_EQ(id, 0x1a0000fu);
    EXPECT_TRUE(ParseWindowId("27262979", &id));
    EXPECT_EQ(id, 27262979u);
    EXPECT_TRUE(ParseWindowId(" 0x200001\n", &id));
    EXPECT_EQ(id, 0x200001u);
    EXPECT_TRUE(ParseWindowId("4294967295", &id));
    EXPECT_EQ(id, 0xFFFFFFFFu);
    EXPECT_TRUE(ParseWindowId("0xffffffff", &id));
    EXPECT_EQ(id, 0xFFFFFFFFu);
}

TEST(WindowId, RefusesMalformedOrEmptyIdsAndLeavesTheResult)
{
    for (const char* bad : {"", "   ", "0x", "0", "0x0", "00", "12ab", "0x1g", "-5", "+5", "1 2", "0x 12",
                            "4294967296", "0x100000000", "99999999999999999999", "window"}) {
        uint32_t id = 77;
        EXPECT_FALSE(ParseWindowId(bad, &id)) << "'" << bad << "'";
        EXPECT_EQ(id, 77u) << "'" << bad << "'";
    }
    uint32_t id = 77;
    EXPECT_FALSE(ParseWindowId(nullptr, &id));
}

TEST(DelaySeconds, ReadsWholeAndFractionalSeconds)
{
    double seconds = -1.0;
    EXPECT_TRUE(ParseDelaySeconds("1", &seconds));
    EXPECT_DOUBLE_EQ(seconds, 1.0);
    EXPECT_TRUE(ParseDelaySeconds("0.5", &seconds));
    EXPECT_DOUBLE_EQ(seconds, 0.5);
    EXPECT_TRUE(ParseDelaySeconds(".25", &seconds));
    EXPECT_DOUBLE_EQ(seconds, 0.25);
    EXPECT_TRUE(ParseDelaySeconds("2.", &seconds));
    EXPECT_DOUBLE_EQ(seconds, 2.0);
    EXPECT_TRUE(ParseDelaySeconds("0", &seconds));
    EXPECT_DOUBLE_EQ(seconds, 0.0);
    EXPECT_TRUE(ParseDelaySeconds("86400", &seconds));
    EXPECT_DOUBLE_EQ(seconds, 86400.0);
}

TEST(DelaySeconds, RefusesWhatIsNoPlainNumberOrTooLong)
{
    for (const char* bad : {"", ".", "-1", "1e3", "1,5", "0.5.1", "abc", " 1", "86400.5", "86401",
                            "100000000000000000000"}) {
        double seconds = 7.0;
        EXPECT_FALSE(ParseDelaySeconds(bad, &seconds)) << "'" << bad << "'";
        EXPECT_DOUBLE_EQ(seconds, 7.0) << "'" << bad << "'";
    }
}

TEST(HackOptions, DefaultsToAWindowOfItsOwnWithTheSaversPause)
{
    Parsed parsed = Parse({});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.target, HackTarget::OwnWindow);
    EXPECT_DOUBLE_EQ(parsed.options.delaySeconds, 1.0);
    EXPECT_FALSE(parsed.options.seedGiven);
    EXPECT_FALSE(parsed.options.fps);
    EXPECT_FALSE(parsed.options.help);
    EXPECT_TRUE(parsed.options.displayName.empty());
}

TEST(HackOptions, TakesOneOrTwoDashesAndValuesAfterSpaceOrEquals)
{
    for (auto args : std::vector<std::vector<const char*>>{
             {"--root", "--delay", "0.5", "--seed", "42", "--fps", "--display", ":5"},
             {"-root", "-delay", "0.5", "-seed", "42", "-fps", "-display", ":5"},
             {"--root", "--delay=0.5", "--seed=42", "--fps", "--display=:5"},
             {"-fps", "-seed=42", "-display=:5", "-delay=.5", "-root"}}) {
        Parsed parsed = Parse(args);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.options.target, HackTarget::Root);
        EXPECT_DOUBLE_EQ(parsed.options.delaySeconds, 0.5);
        EXPECT_TRUE(parsed.options.seedGiven);
        EXPECT_EQ(parsed.options.seed, 42u);
        EXPECT_TRUE(parsed.options.fps);
        EXPECT_EQ(parsed.options.displayName, ":5");
    }
    Parsed largest = Parse({"--seed", "4294967295"});
    ASSERT_TRUE(largest.ok);
    EXPECT_EQ(largest.options.seed, 4294967295u);
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_TRUE(Parse({"-h"}).options.help);
}

TEST(HackOptions, PicksTheWindowAsTheDaemonsAndLockersMeanIt)
{
    Parsed byId = Parse({"--window-id", "0x400007"});
    ASSERT_TRUE(byId.ok);
    EXPECT_EQ(byId.options.target, HackTarget::WindowId);
    EXPECT_EQ(byId.options.windowId, 0x400007u);

    Parsed lockerStyle = Parse({"-window-id", "4194311"});
    ASSERT_TRUE(lockerStyle.ok);
    EXPECT_EQ(lockerStyle.options.windowId, 4194311u);

    // XScreenSaver starts its hacks with --root and names its own window in
    // the environment: the environment wins over --root.
    Parsed daemon = Parse({"--root"}, "0x600002");
    ASSERT_TRUE(daemon.ok);
    EXPECT_EQ(daemon.options.target, HackTarget::WindowId);
    EXPECT_EQ(daemon.options.windowId, 0x600002u);

    Parsed envOnly = Parse({}, "6291458");
    ASSERT_TRUE(envOnly.ok);
    EXPECT_EQ(envOnly.options.target, HackTarget::WindowId);
    EXPECT_EQ(envOnly.options.windowId, 6291458u);

    // A window named on the command line wins over the environment, which is
    // then not even read.
    Parsed explicitId = Parse({"--window-id", "0x400007"}, "0x600002");
    ASSERT_TRUE(explicitId.ok);
    EXPECT_EQ(explicitId.options.windowId, 0x400007u);
    Parsed own = Parse({"--window"}, "not a window");
    ASSERT_TRUE(own.ok) << own.error;
    EXPECT_EQ(own.options.target, HackTarget::OwnWindow);
}

TEST(HackOptions, RefusesBadInputWithOneLineNamingTheProblem)
{
    struct Case {
        std::vector<const char*> args;
        const char* screensaverWindow;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--bogus"}, nullptr, "--bogus"},
        {{"-x"}, nullptr, "-x"},
        {{"picture.png"}, nullptr, "picture.png"},
        {{"--window-id"}, nullptr, "needs a value"},
        {{"--window-id", "0xZZ"}, nullptr, "0xZZ"},
        {{"--window-id", "0"}, nullptr, "'0'"},
        {{"--window-id=12x"}, nullptr, "12x"},
        {{"--window", "--window-id", "0x400007"}, nullptr, "not both"},
        {{"--window-id", "0x400007", "--window"}, nullptr, "not both"},
        {{"--delay", "-1"}, nullptr, "-1"},
        {{"--delay"}, nullptr, "needs a value"},
        {{"--seed", "4294967296"}, nullptr, "4294967296"},
        {{"--seed", "-3"}, nullptr, "-3"},
        {{"--root=yes"}, nullptr, "takes no value"},
        {{"--fps=1"}, nullptr, "takes no value"},
        {{}, "garbage", "XSCREENSAVER_WINDOW"},
        {{"--root"}, "0x", "XSCREENSAVER_WINDOW"},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(c.args, c.screensaverWindow);
        std::string shown = c.args.empty() ? std::string("(none)") : std::string(c.args[0]);
        EXPECT_FALSE(parsed.ok) << shown;
        EXPECT_NE(parsed.error.find(c.mentions), std::string::npos) << shown << ": " << parsed.error;
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    }
}

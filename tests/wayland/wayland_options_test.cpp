#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wayland/wayland_options.h"

namespace {

struct Parsed {
    bool ok;
    WaylandOptions options;
    std::string error;
};

Parsed Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "ondulite-wayland");
    Parsed parsed;
    parsed.ok = ParseWaylandOptions((int)args.size(), args.data(), &parsed.options, &parsed.error);
    return parsed;
}

}  // namespace

TEST(WaylandOptions, DefaultsToTheSaverOnEveryOutputWithTheSaversPause)
{
    Parsed parsed = Parse({});
    ASSERT_TRUE(parsed.ok);
    EXPECT_FALSE(parsed.options.background);
    EXPECT_EQ(parsed.options.delaySeconds, 1.0);
    EXPECT_FALSE(parsed.options.seedGiven);
    EXPECT_FALSE(parsed.options.fps);
    EXPECT_FALSE(parsed.options.help);
    EXPECT_EQ(parsed.options.outputName, "");
}

TEST(WaylandOptions, ReadsEveryOptionWithOneDashOrTwo)
{
    Parsed parsed = Parse({"--background", "-delay", "0.25", "--seed=4294967295", "-fps", "--output", "DP-1"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.background);
    EXPECT_EQ(parsed.options.delaySeconds, 0.25);
    EXPECT_TRUE(parsed.options.seedGiven);
    EXPECT_EQ(parsed.options.seed, 4294967295u);
    EXPECT_TRUE(parsed.options.fps);
    EXPECT_EQ(parsed.options.outputName, "DP-1");

    parsed = Parse({"-output=HEADLESS-2", "--seed", "0", "--delay=0", "-h"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.outputName, "HEADLESS-2");
    EXPECT_TRUE(parsed.options.seedGiven);
    EXPECT_EQ(parsed.options.seed, 0u);
    EXPECT_EQ(parsed.options.delaySeconds, 0.0);
    EXPECT_TRUE(parsed.options.help);
}

TEST(WaylandOptions, RefusesBadInputWithOneLineNamingTheProblem)
{
    struct Case {
        std::vector<const char*> args;
        const char* error;
    };
    const Case cases[] = {
        {{"--seed", "-1"}, "--seed wants a whole number from 0 to 4294967295, not '-1'"},
        {{"--seed=4294967296"}, "--seed wants a whole number from 0 to 4294967295, not '4294967296'"},
        {{"--delay", "1s"}, "--delay wants seconds from 0 to 86400 such as 1 or 0.5, not '1s'"},
        {{"--delay=86400.5"}, "--delay wants seconds from 0 to 86400 such as 1 or 0.5, not '86400.5'"},
        {{"--output="}, "--output wants the name of an output, such as DP-1"},
        {{"--output"}, "option --output needs a value"},
        {{"--fps=yes"}, "option --fps takes no value"},
        {{"-background=1"}, "option --background takes no value"},
        {{"--root"}, "unknown option '--root' (see --help)"},
        {{"DP-1"}, "unexpected argument 'DP-1' (see --help)"},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(c.args);
        EXPECT_FALSE(parsed.ok) << c.error;
        EXPECT_EQ(parsed.error, c.error);
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/option_reader.h"

namespace {

// Every argument as the reader splits it: "name" or "name=value", with the
// values that OptionValue takes for names listed in `withValue`.
std::vector<std::string> Read(std::vector<const char*> args, OptionStyle style,
                              const std::vector<std::string>& withValue, std::string* error)
{
    args.insert(args.begin(), "tool");
    OptionReader reader;
    StartOptionReader(&reader, (int)args.size(), args.data(), style);
    std::vector<std::string> seen;
    while (NextOption(&reader)) {
        bool wantsValue = false;
        for (const std::string& name : withValue) wantsValue = wantsValue || name == reader.name;
        if (wantsValue) {
            const char* value = OptionValue(&reader, error);
            if (!value) return seen;
            seen.push_back(reader.name + "=" + value);
        } else if (!OptionTakesNoValue(&reader, error)) {
            return seen;
        } else {
            seen.push_back(reader.name);
        }
    }
    return seen;
}

}  // namespace

TEST(OptionReader, SplitsNamesAndValuesInBothStyles)
{
    std::string error;
    EXPECT_EQ(Read({"--seed", "7", "--size=3x4", "-o", "a=b.png", "--fps"}, OptionStyle::TwoDashes,
                   {"--seed", "--size", "-o"}, &error),
              (std::vector<std::string>{"--seed=7", "--size=3x4", "-o=a=b.png", "--fps"}));
    // One dash means two; `-name=value` splits too, and the value keeps any
    // later `=` and dashes.
    EXPECT_EQ(Read({"-seed", "7", "-delay=0.5", "--output==x", "-fps", "-h"}, OptionStyle::OneOrTwoDashes,
                   {"--seed", "--delay", "--output"}, &error),
              (std::vector<std::string>{"--seed=7", "--delay=0.5", "--output==x", "--fps", "--h"}));
    // A value may look like an option.
    EXPECT_EQ(Read({"--seed", "--fps"}, OptionStyle::TwoDashes, {"--seed"}, &error),
              (std::vector<std::string>{"--seed=--fps"}));
    EXPECT_EQ(error, "");
}

TEST(OptionReader, NamesTheOptionWhoseValueIsMissingOrUnwanted)
{
    std::string error;
    Read({"--fps", "--seed"}, OptionStyle::TwoDashes, {"--seed"}, &error);
    EXPECT_EQ(error, "option --seed needs a value");
    Read({"--fps=1"}, OptionStyle::TwoDashes, {}, &error);
    EXPECT_EQ(error, "option --fps takes no value");
    Read({"-fps=1"}, OptionStyle::OneOrTwoDashes, {}, &error);
    EXPECT_EQ(error, "option --fps takes no value");
    Read({"-seed"}, OptionStyle::OneOrTwoDashes, {"--seed"}, &error);
    EXPECT_EQ(error, "option --seed needs a value");
}

TEST(OptionReader, UnknownArgumentsAreQuotedAsWritten)
{
    const char* args[] = {"tool", "-o=x", "seed", ""};
    OptionReader reader;
    StartOptionReader(&reader, 4, args, OptionStyle::TwoDashes);
    ASSERT_TRUE(NextOption(&reader));
    EXPECT_EQ(reader.name, "-o=x");  // short names take no `=`
    EXPECT_EQ(UnknownOption(&reader), "unknown option '-o=x' (see --help)");
    ASSERT_TRUE(NextOption(&reader));
    EXPECT_EQ(UnknownOption(&reader), "unknown option 'seed' (see --help)");

    StartOptionReader(&reader, 4, args, OptionStyle::OneOrTwoDashes);
    ASSERT_TRUE(NextOption(&reader));
    EXPECT_EQ(UnknownOption(&reader), "unknown option '-o=x' (see --help)");
    ASSERT_TRUE(NextOption(&reader));
    EXPECT_EQ(UnknownOption(&reader), "unexpected argument 'seed' (see --help)");
    ASSERT_TRUE(NextOption(&reader));
    EXPECT_EQ(UnknownOption(&reader), "unexpected argument '' (see --help)");
    EXPECT_FALSE(NextOption(&reader));
}

TEST(UnsignedNumber, ReadsDigitsUpToTheLimitAndNothingElse)
{
    uint64_t value = 99;
    const char text[] = "4294967295";
    EXPECT_TRUE(ReadUnsignedNumber(text, text + 10, 10, 0xFFFFFFFFull, &value));
    EXPECT_EQ(value, 4294967295u);
    EXPECT_TRUE(ReadDecimal("16384", 16384, &value));
    EXPECT_EQ(value, 16384u);
    EXPECT_TRUE(ReadDecimal("007", 7, &value));
    EXPECT_EQ(value, 7u);
    const char hex[] = "fFa0";
    EXPECT_TRUE(ReadUnsignedNumber(hex, hex + 4, 16, 0xFFFFFFFFull, &value));
    EXPECT_EQ(value, 0xffa0u);

    value = 99;
    for (const char* bad : {"", "16385", "-1", "+1", " 1", "1 ", "1.0", "0x10", "a", "99999999999999999999999"})
        EXPECT_FALSE(ReadDecimal(bad, 16384, &value)) << "'" << bad << "'";
    EXPECT_FALSE(ReadDecimal(nullptr, 16384, &value));
    EXPECT_FALSE(ReadUnsignedNumber(hex, hex + 4, 10, 0xFFFFFFFFull, &value));
    const char big[] = "100000000";
    EXPECT_FALSE(ReadUnsignedNumber(big, big + 9, 16, 0xFFFFFFFFull, &value));
    EXPECT_EQ(value, 99u);  // untouched by every refusal
}

#include "host/password_rules.h"

#include <gtest/gtest.h>

TEST(PasswordWanted, ReadsUpToFourBytesLittleEndian)
{
    const uint8_t one[4] = {1, 0, 0, 0};
    const uint8_t high[4] = {0, 0, 0, 0x80};
    const uint8_t zero[4] = {0, 0, 0, 0};
    EXPECT_TRUE(PasswordWanted(0, one, 4));
    EXPECT_TRUE(PasswordWanted(0, high, 4));
    EXPECT_FALSE(PasswordWanted(0, zero, 4));
    // Bytes past the size read do not count, whatever the buffer holds there.
    const uint8_t tail[4] = {0, 0, 7, 7};
    EXPECT_FALSE(PasswordWanted(0, tail, 2));
    EXPECT_TRUE(PasswordWanted(0, tail, 3));
    EXPECT_FALSE(PasswordWanted(0, one, 0));
    // A string "1" reads as its bytes: non-zero.
    const uint8_t text[4] = {'1', 0, 0, 0};
    EXPECT_TRUE(PasswordWanted(0, text, 2));
}

TEST(PasswordWanted, FailedReadMeansNoPassword)
{
    const uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_FALSE(PasswordWanted(234, one, 5));  // longer than 4 bytes: "more data"
    EXPECT_FALSE(PasswordWanted(2, one, 4));    // missing value
    // A size beyond the buffer is not read past it.
    EXPECT_TRUE(PasswordWanted(0, one, 0xFFFFFFFF));
}

TEST(InPromptPause, TwoHundredMillisecondsAfterThePrompt)
{
    EXPECT_FALSE(InPromptPause(1000, kNoVerifyTick));
    EXPECT_FALSE(InPromptPause(kNoVerifyTick, kNoVerifyTick));
    EXPECT_TRUE(InPromptPause(1000, 1000));
    EXPECT_TRUE(InPromptPause(1199, 1000));
    EXPECT_FALSE(InPromptPause(1200, 1000));
    EXPECT_FALSE(InPromptPause(50000, 1000));
}

TEST(InPromptPause, SurvivesTheTickCountersWrap)
{
    EXPECT_TRUE(InPromptPause(50, 0xFFFFFFF0u));
    EXPECT_TRUE(InPromptPause(0xB6, 0xFFFFFFF0u));
    EXPECT_FALSE(InPromptPause(0xB8, 0xFFFFFFF0u));
    // A clock read before the prompt ended is far in the past, not within the pause.
    EXPECT_FALSE(InPromptPause(990, 1000));
}

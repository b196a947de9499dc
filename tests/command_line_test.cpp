#include "host/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Arguments(const char* commandLine)
{
    return SkipProgramName(commandLine, NextByte);
}

// A double-byte code page in miniature: 0x81 leads a two-byte character
// whose second byte may be anything but the end.
const char* NextDoubleByte(const char* text)
{
    if (!*text) return text;
    if ((unsigned char)*text == 0x81 && text[1]) return text + 2;
    return text + 1;
}

TEST(ProgramName, UnquotedNameEndsAtFirstBlank)
{
    EXPECT_EQ(Arguments("ondulite.scr /s"), "/s");
    EXPECT_EQ(Arguments("ondulite.scr\t\t/p 12"), "/p 12");
    EXPECT_EQ(Arguments("ondulite.scr\x01/s"), "/s");
    EXPECT_EQ(Arguments("ondulite.scr"), "");
    EXPECT_EQ(Arguments(""), "");
}

TEST(ProgramName, HighBytesBelongToTheName)
{
    EXPECT_EQ(Arguments("ond\xE9lite\xA0.scr /s"), "/s");
    EXPECT_EQ(Arguments("ondulite.scr \xA0/s"), "\xA0/s");
}

TEST(ProgramName, QuotedNameMayHoldBlanks)
{
    EXPECT_EQ(Arguments("\"C:\\Program Files\\ondu lite.scr\" /s"), "/s");
    EXPECT_EQ(Arguments("\"C:\\a b.scr\"/s"), "/s");
    EXPECT_EQ(Arguments("\"\" /c"), "/c");
    EXPECT_EQ(Arguments("\"C:\\never closed /s"), "");
}

TEST(ProgramName, LeadingBlankMeansNoName)
{
    EXPECT_EQ(Arguments("  /s"), "/s");
}

TEST(ProgramName, UsesTheGivenCharacterStep)
{
    // The second byte of the two-byte character is a quote that must not end the name.
    const char* line = "\"a\x81\"b c\" /s";
    EXPECT_EQ(std::string(SkipProgramName(line, NextDoubleByte)), "/s");
    EXPECT_EQ(std::string(SkipProgramName(line, NextByte)), "b c\" /s");
}

TEST(WindowHandle, ReadsDecimalDigitsOnly)
{
    EXPECT_EQ(ParseWindowHandle("1234"), 1234u);
    EXPECT_EQ(ParseWindowHandle("1234 5"), 1234u);
    EXPECT_EQ(ParseWindowHandle("12ab"), 12u);
    EXPECT_EQ(ParseWindowHandle("0x4D2"), 0u);
    EXPECT_EQ(ParseWindowHandle("-5"), 0u);
    EXPECT_EQ(ParseWindowHandle("+5"), 0u);
    EXPECT_EQ(ParseWindowHandle(" 5"), 0u);
    EXPECT_EQ(ParseWindowHandle(""), 0u);
    EXPECT_EQ(ParseWindowHandle("00000000000000000001234"), 1234u);
}

TEST(WindowHandle, WrapsModulo2To32)
{
    EXPECT_EQ(ParseWindowHandle("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWindowHandle("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294968530"), 1234u);
    EXPECT_EQ(ParseWindowHandle("18446744073709551616"), 0u);  // 2^64
}

void ExpectMode(const char* arguments, SaverMode mode, uint32_t handle = 0)
{
    ModeRequest request = ReadModeRequest(arguments);
    EXPECT_EQ(request.mode, mode) << "arguments: \"" << arguments << "\"";
    EXPECT_EQ(request.windowHandle, handle) << "arguments: \"" << arguments << "\"";
}

TEST(ModeTable, NoOptionConfiguresWithoutOwner)
{
    ExpectMode("", SaverMode::ConfigureUnowned);
    ExpectMode("  ", SaverMode::ConfigureUnowned);
    ExpectMode("-/ -", SaverMode::ConfigureUnowned);
}

TEST(ModeTable, FullScreenInEverySpelling)
{
    for (const char* arguments : {"/s", "-s", "s", "/S", "--//s", " / - s", "/s /p 1234", "/screen"})
        ExpectMode(arguments, SaverMode::FullScreen);
}

TEST(ModeTable, PreviewReadsTheParentAfterSpaces)
{
    ExpectMode("/p 1234", SaverMode::Preview, 1234);
    ExpectMode("/p1234", SaverMode::Preview, 1234);
    ExpectMode("/P   1234", SaverMode::Preview, 1234);
    ExpectMode("/l 1234", SaverMode::Preview, 1234);
    ExpectMode("-L 1234 /s", SaverMode::Preview, 1234);
    ExpectMode("/p", SaverMode::Preview, 0);
}

TEST(ModeTable, PreviewHandleStopsAtOtherCharacters)
{
    ExpectMode("/p:1234", SaverMode::Preview, 0);
    ExpectMode("/p 0x4D2", SaverMode::Preview, 0);
    ExpectMode("/p\t1234", SaverMode::Preview, 0);
    ExpectMode("/p -1234", SaverMode::Preview, 0);
}

TEST(ModeTable, ConfigureNeverReadsANumber)
{
    ExpectMode("/c", SaverMode::ConfigureForeground);
    ExpectMode("/c:1234", SaverMode::ConfigureForeground);
    ExpectMode("/C 1234", SaverMode::ConfigureForeground);
}

TEST(ModeTable, ChangePasswordTakesAnOptionalParent)
{
    ExpectMode("/a", SaverMode::ChangePassword, 0);
    ExpectMode("/a 1234", SaverMode::ChangePassword, 1234);
    ExpectMode("-A1234", SaverMode::ChangePassword, 1234);
}

TEST(ModeTable, AnythingElseIsRefused)
{
    for (const char* arguments : {"/\ts", "\ts", "x", "/x", "9", "/?", "\xE9", "/\xD3", "+s", "\\s", "_s"})
        ExpectMode(arguments, SaverMode::Refused);
}

}  // namespace

#include "display/browser_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

static const char kAddress[] = "https://example.org/a?b=c";

// Composes from exactly `valueSize` heap bytes, so that the sanitizer sees
// any read past the value; returns "<none>" when there is no command.
static std::string Compose(const std::string& value, const char* address = kAddress)
{
    std::unique_ptr<char[]> bytes(new char[value.size() ? value.size() : 1]);
    std::memcpy(bytes.get(), value.data(), value.size());
    size_t needed = ComposeBrowserCommand(bytes.get(), value.size(), address, nullptr, 0);
    if (needed == 0) return "<none>";
    std::unique_ptr<char[]> command(new char[needed]);
    std::memset(command.get(), 'x', needed);
    EXPECT_EQ(needed, ComposeBrowserCommand(bytes.get(), value.size(), address, command.get(), needed));
    EXPECT_EQ('\0', command[needed - 1]);
    EXPECT_EQ(needed - 1, std::strlen(command.get()));
    return command.get();
}

TEST(ComposeBrowserCommand, PutsTheAddressInThePlaceholdersQuotes)
{
    // As the registry keeps it: with its final NUL.
    const char value[] = "\"C:\\Program Files\\Web\\web.exe\" \"%1\"";
    EXPECT_EQ("\"C:\\Program Files\\Web\\web.exe\" \"" + std::string(kAddress) + "\"",
              Compose(std::string(value, sizeof value)));
}

TEST(ComposeBrowserCommand, KeepsWhatFollowsAndLaterPercents)
{
    EXPECT_EQ(std::string("web.exe -url ") + kAddress + " -new %1 100%",
              Compose("web.exe -url %1 -new %1 100%"));
    // Whatever follows the "%" goes with it, even another "%".
    EXPECT_EQ(std::string("web.exe ") + kAddress + "1", Compose("web.exe %%1"));
    EXPECT_EQ(std::string("web.exe ") + kAddress + "x", Compose("web.exe %Lx"));
    EXPECT_EQ(kAddress, Compose("%1"));
}

TEST(ComposeBrowserCommand, LoneFinalPercentEndsWithTheAddress)
{
    EXPECT_EQ(std::string("web.exe ") + kAddress, Compose("web.exe %"));
    EXPECT_EQ(kAddress, Compose("%"));
}

TEST(ComposeBrowserCommand, NoPercentMeansNoCommand)
{
    EXPECT_EQ("<none>", Compose("web.exe -url"));
    EXPECT_EQ("<none>", Compose(""));
    char untouched[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(0u, ComposeBrowserCommand("web.exe", 7, kAddress, untouched, sizeof untouched));
    EXPECT_EQ(0, std::memcmp(untouched, "abcd", 4));
}

TEST(ComposeBrowserCommand, TextEndsAtTheSizeReadOrTheFirstNul)
{
    // The "%" lies past the bytes read, or past the text's end.
    const char bytes[] = "web.exe %1";
    EXPECT_EQ(0u, ComposeBrowserCommand(bytes, 8, kAddress, nullptr, 0));
    EXPECT_EQ("<none>", Compose(std::string("web.exe\0%1", 10)));
    // A value without a final NUL is used up to its last byte.
    EXPECT_EQ(std::string("web.exe ") + kAddress + " -x", Compose("web.exe %1 -x"));
    // Bytes after the first NUL are not part of the text.
    EXPECT_EQ(std::string("web.exe ") + kAddress, Compose(std::string("web.exe %1\0 -x", 14)));
}

TEST(ComposeBrowserCommand, ValueFarLongerThanFirstOffer)
{
    std::string path(3000, 'p');
    std::string args(1500, 'a');
    std::string value = "\"C:\\" + path + ".exe\" \"%1\" " + args;
    EXPECT_EQ("\"C:\\" + path + ".exe\" \"" + kAddress + "\" " + args, Compose(value));
    EXPECT_EQ("\"C:\\" + path + ".exe\" \"" + std::string(5000, 'w') + "\" " + args,
              Compose(value, std::string(5000, 'w').c_str()));
}

TEST(ComposeBrowserCommand, ShortBufferGetsATerminatedPrefix)
{
    const char value[] = "web.exe \"%1\" -new";
    const size_t valueSize = sizeof value - 1;
    const std::string whole = std::string("web.exe \"") + kAddress + "\" -new";
    for (size_t room : {size_t(1), size_t(5), size_t(9), size_t(20), whole.size(), whole.size() + 1}) {
        std::unique_ptr<char[]> command(new char[room + 4]);
        std::memset(command.get(), '#', room + 4);
        EXPECT_EQ(whole.size() + 1, ComposeBrowserCommand(value, valueSize, kAddress, command.get(), room));
        EXPECT_EQ(whole.substr(0, room - 1), std::string(command.get())) << room;
        EXPECT_EQ(0, std::memcmp(command.get() + room, "####", 4)) << room;
    }
    EXPECT_EQ(whole.size() + 1, ComposeBrowserCommand(value, valueSize, kAddress, nullptr, 0));
}

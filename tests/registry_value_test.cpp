#include "display/registry_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

// A registry value as RegQueryValueA serves it: a read whose buffer is too
// small answers "more data" with the size needed. The value may change after
// each read, and the size may be misreported, as another process or a
// broken registry could do.
struct FakeValue {
    std::vector<std::string> versions;  // the value as each read finds it (the last one stays)
    int32_t failure = kRegistrySuccess;  // a result other than these two, for every read
    uint32_t sizeBias = 0;               // added to every size reported
    bool sizeNeverGrows = false;         // "more data" reports the offer itself
    std::vector<uint32_t> offers;
};

static int32_t ReadFake(void* context, char* buffer, uint32_t* size)
{
    FakeValue* fake = static_cast<FakeValue*>(context);
    const std::string& value = fake->versions[std::min(fake->offers.size(), fake->versions.size() - 1)];
    const uint32_t offered = *size;
    fake->offers.push_back(offered);
    // Touch every byte offered: the sanitizer catches an offer larger than the buffer.
    std::memset(buffer, '?', offered);
    if (fake->failure != kRegistrySuccess) return fake->failure;
    if (value.size() > offered) {
        *size = fake->sizeNeverGrows ? offered : (uint32_t)value.size() + fake->sizeBias;
        return kRegistryMoreData;
    }
    std::memcpy(buffer, value.data(), value.size());
    *size = (uint32_t)value.size() + fake->sizeBias;
    return kRegistrySuccess;
}

static std::string ReadAll(FakeValue* fake, bool* found)
{
    uint32_t size = 12345;
    std::unique_ptr<char[]> value(ReadWholeValue(ReadFake, fake, &size));
    *found = value != nullptr;
    return value ? std::string(value.get(), size) : std::string();
}

TEST(ReadWholeValue, ShortValueTakesOneRead)
{
    FakeValue fake;
    fake.versions = {std::string("web.exe \"%1\"\0", 13)};
    bool found = false;
    EXPECT_EQ(fake.versions[0], ReadAll(&fake, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(std::vector<uint32_t>{kFirstValueOffer}, fake.offers);
}

TEST(ReadWholeValue, LongValueIsReadWholeOnTheSecondRead)
{
    FakeValue fake;
    fake.versions = {std::string(5000, 'v')};  // no final NUL either
    bool found = false;
    EXPECT_EQ(fake.versions[0], ReadAll(&fake, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ((std::vector<uint32_t>{kFirstValueOffer, 5000}), fake.offers);
}

TEST(ReadWholeValue, ValueChangingBetweenReads)
{
    bool found = false;
    // Grows after the size was reported: the next read is offered the new size.
    FakeValue growing;
    growing.versions = {std::string(600, 'a'), std::string(900, 'b'), std::string(1200, 'c')};
    EXPECT_EQ(std::string(1200, 'c'), ReadAll(&growing, &found));
    EXPECT_EQ((std::vector<uint32_t>{kFirstValueOffer, 600, 900, 1200}), growing.offers);
    // Shrinks: only the bytes read count, not the size reported before.
    FakeValue shrinking;
    shrinking.versions = {std::string(600, 'a'), "web.exe %1"};
    EXPECT_EQ("web.exe %1", ReadAll(&shrinking, &found));
    // Keeps growing: given up after a few reads.
    FakeValue runaway;
    for (uint32_t n = 600; n < 20000; n += 1000) runaway.versions.push_back(std::string(n, 'r'));
    EXPECT_EQ("", ReadAll(&runaway, &found));
    EXPECT_FALSE(found);
    EXPECT_EQ(kMaxValueReads, runaway.offers.size());
}

TEST(ReadWholeValue, MisreportedSizesAreNotTrusted)
{
    bool found = false;
    // Success that claims more bytes than the buffer held.
    FakeValue overstated;
    overstated.versions = {"web.exe %1"};
    overstated.sizeBias = 100000;
    EXPECT_EQ(std::string("web.exe %1") + std::string(kFirstValueOffer - 10, '?'), ReadAll(&overstated, &found));
    EXPECT_TRUE(found);
    // "More data" without a larger size: the offer doubles until the value fits.
    FakeValue stuck;
    stuck.versions = {std::string(1500, 's')};
    stuck.sizeNeverGrows = true;
    EXPECT_EQ(std::string(1500, 's'), ReadAll(&stuck, &found));
    EXPECT_EQ((std::vector<uint32_t>{kFirstValueOffer, 2 * kFirstValueOffer, 4 * kFirstValueOffer}), stuck.offers);
}

TEST(ReadWholeValue, FailedReadGivesNothing)
{
    FakeValue missing;
    missing.versions = {"web.exe %1"};
    missing.failure = 2;  // ERROR_FILE_NOT_FOUND
    bool found = true;
    EXPECT_EQ("", ReadAll(&missing, &found));
    EXPECT_FALSE(found);
    EXPECT_EQ(1u, missing.offers.size());
}

TEST(NextValueReadStep, StopsWhenTheOfferCannotGrow)
{
    ValueReadStep step = NextValueReadStep(kRegistryMoreData, 0x90000000u, 12, 2);
    EXPECT_EQ(ValueReadAction::Stop, step.action);
    step = NextValueReadStep(kRegistryMoreData, 0x70000000u, 12, 2);
    EXPECT_EQ(ValueReadAction::Grow, step.action);
    EXPECT_EQ(0xE0000000u, step.size);
    step = NextValueReadStep(kRegistryMoreData, 0, 0, 1);
    EXPECT_EQ(ValueReadAction::Grow, step.action);
    EXPECT_GT(step.size, 0u);
}

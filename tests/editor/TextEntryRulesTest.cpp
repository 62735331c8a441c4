// What the value and name boxes accept, and what a committed text sets.
#include <gtest/gtest.h>

#include "framework/IParameter.h"
#include "framework/ITextEntryRules.h"

namespace qor {
namespace {

IParameter Integer()
{
    IParameter p;
    p.InitInteger("Detune", 0, -50, 50);
    return p;
}

IParameter Continuous(bool negate = false)
{
    IParameter p;
    p.InitContinuous("Offset", 0, -10, 10, 0.1);
    p.SetNegateDisplay(negate);
    return p;
}

TEST(TextEntryRules, NumberBoxesRefuseLetters)
{
    const TextEntryRules whole = TextEntryRules::ForParameter(Integer());
    const TextEntryRules fractional = TextEntryRules::ForParameter(Continuous());
    for (char c : std::string("0123456789+-")) {
        EXPECT_TRUE(whole.Accepts(c)) << c;
        EXPECT_TRUE(fractional.Accepts(c)) << c;
    }
    EXPECT_FALSE(whole.Accepts('.')) << "integers take no decimal point";
    EXPECT_TRUE(fractional.Accepts('.'));
    for (char c : std::string("aZx e,/")) {
        EXPECT_FALSE(whole.Accepts(c)) << c;
        EXPECT_FALSE(fractional.Accepts(c)) << c;
    }
    EXPECT_EQ(whole.Filter("-1a2.5x"), "-125");
    EXPECT_EQ(fractional.Filter("-1a2.5x"), "-12.5");
    EXPECT_EQ(whole.maxLength, 7);
    EXPECT_EQ(whole.Filter("123456789"), "1234567");
    EXPECT_TRUE(whole.HasRoom(6));
    EXPECT_FALSE(whole.HasRoom(7));
}

TEST(TextEntryRules, NameBoxTakesPrintableTextUpToThirty)
{
    const TextEntryRules name = TextEntryRules::ForName();
    for (char c : std::string("Az 09.,-!'\xE9")) EXPECT_TRUE(name.Accepts(c)) << c;
    EXPECT_FALSE(name.Accepts('\n'));
    EXPECT_FALSE(name.Accepts('\x7F'));
    EXPECT_FALSE(name.Accepts('\x1B'));
    EXPECT_EQ(name.Filter(std::string(40, 'x')).size(), 30u);
}

TEST(TextEntryRules, CommittedTextBecomesAValue)
{
    const IParameter integer = Integer();
    const TextEntryRules whole = TextEntryRules::ForParameter(integer);
    EXPECT_EQ(whole.Commit(integer, "-12"), -12.0);
    EXPECT_EQ(whole.Commit(integer, "+7"), 7.0);
    // Nothing to read: the entry changes nothing rather than setting 0.
    EXPECT_EQ(whole.Commit(integer, ""), std::nullopt);
    EXPECT_EQ(whole.Commit(integer, "-"), std::nullopt);
    EXPECT_EQ(whole.Commit(integer, "1-2"), std::nullopt);

    const IParameter negated = Continuous(true);
    EXPECT_EQ(TextEntryRules::ForParameter(negated).Commit(negated, "2.5"), -2.5);

    IParameter enumerated;
    enumerated.InitEnumerated("Chorus", 0, {"OFF", "ON"});
    const TextEntryRules texts = TextEntryRules::ForParameter(enumerated);
    EXPECT_EQ(texts.Commit(enumerated, "ON"), 1.0);
    EXPECT_EQ(texts.Commit(enumerated, "on"), 0.0) << "display texts match exactly; no match gives 0";
}

}  // namespace
}  // namespace qor

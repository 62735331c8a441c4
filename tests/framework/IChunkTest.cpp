#include "framework/IChunk.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace qor {
namespace {

IChunk FromBytes(std::vector<uint8_t> bytes)
{
    IChunk chunk;
    chunk.PutBytes(bytes);
    return chunk;
}

TEST(IChunk, ValuesRoundTripInTheirLittleEndianLayout)
{
    IChunk c;
    c.PutInt32(0x70666674);
    c.PutDouble(-1.5);
    c.PutBool(true);
    c.PutBool(false);
    c.PutString("QOR");
    c.PutInt32(-2);
    ASSERT_EQ(c.Size(), 4 + 8 + 1 + 1 + 4 + 3 + 4);
    // 'pfft' written as an int32 reads 74 66 66 70.
    EXPECT_EQ(c.Data()[0], 0x74);
    EXPECT_EQ(c.Data()[1], 0x66);
    EXPECT_EQ(c.Data()[2], 0x66);
    EXPECT_EQ(c.Data()[3], 0x70);
    // -1.5 is 0xBFF8000000000000.
    EXPECT_EQ(c.Data()[11], 0xBF);
    EXPECT_EQ(c.Data()[10], 0xF8);
    EXPECT_EQ(c.Data()[12], 1);
    EXPECT_EQ(c.Data()[13], 0);
    EXPECT_EQ(c.Data()[14], 3);  // the string's length, then its bytes
    EXPECT_EQ(c.Data()[18], 'Q');

    int32_t i = 0;
    double d = 0;
    bool b1 = false, b2 = true;
    std::string s;
    int pos = c.GetInt32(i, 0);
    pos = c.GetDouble(d, pos);
    pos = c.GetBool(b1, pos);
    pos = c.GetBool(b2, pos);
    pos = c.GetString(s, pos);
    int32_t last = 0;
    pos = c.GetInt32(last, pos);
    EXPECT_EQ(pos, c.Size());
    EXPECT_EQ(i, 0x70666674);
    EXPECT_EQ(d, -1.5);
    EXPECT_TRUE(b1);
    EXPECT_FALSE(b2);
    EXPECT_EQ(s, "QOR");
    EXPECT_EQ(last, -2);
}

TEST(IChunk, SpecialDoublesKeepTheirBits)
{
    IChunk c;
    const std::array<double, 4> values{std::numeric_limits<double>::infinity(), -0.0,
                                       std::numeric_limits<double>::denorm_min(), 1e308};
    for (double v : values) c.PutDouble(v);
    int pos = 0;
    for (double v : values) {
        double got = 0;
        pos = c.GetDouble(got, pos);
        EXPECT_EQ(std::signbit(got), std::signbit(v));
        EXPECT_EQ(got, v);
    }
}

TEST(IChunk, GetsPastTheEndFailWithoutTouchingTheOutput)
{
    IChunk c = FromBytes({1, 2, 3, 4, 5, 6, 7});
    int32_t i = 99;
    double d = 99;
    bool b = true;
    EXPECT_EQ(c.GetInt32(i, 4), -1);
    EXPECT_EQ(c.GetInt32(i, 3), 7);
    EXPECT_EQ(c.GetDouble(d, 0), -1);
    EXPECT_EQ(d, 99);
    EXPECT_EQ(c.GetBool(b, 7), -1);
    EXPECT_EQ(c.GetBool(b, 6), 7);
    EXPECT_EQ(c.GetInt32(i, -1), -1);
    EXPECT_EQ(c.GetInt32(i, std::numeric_limits<int>::max()), -1);
    EXPECT_EQ(c.GetDouble(d, std::numeric_limits<int>::max() - 2), -1);
    std::array<uint8_t, 3> raw{};
    EXPECT_EQ(c.GetBytes(raw, 4), 7);
    EXPECT_EQ(raw[2], 7);
    EXPECT_EQ(c.GetBytes(raw, 5), -1);
    IChunk empty;
    EXPECT_EQ(empty.GetBool(b, 0), -1);
    EXPECT_EQ(empty.GetBytes(std::span<uint8_t>(), 0), 0);
}

TEST(IChunk, StringReportsItsEndEvenWhenTheBytesDoNotFit)
{
    IChunk c;
    c.PutInt32(10);
    c.PutBytes(std::vector<uint8_t>{'a', 'b', 'c'});
    std::string s = "kept";
    // p + 4 + n, with the text left as it was.
    EXPECT_EQ(c.GetString(s, 0), 14);
    EXPECT_EQ(s, "kept");
    // The length itself cannot be read.
    EXPECT_EQ(c.GetString(s, 4), -1);
    EXPECT_EQ(c.GetString(s, -3), -1);

    IChunk zero;
    zero.PutInt32(0);
    s = "x";
    EXPECT_EQ(zero.GetString(s, 0), 4);
    EXPECT_EQ(s, "");
}

TEST(IChunk, NegativeAndAbsurdStringLengthsAreRefused)
{
    IChunk c;
    c.PutInt32(-1);
    c.PutInt32(std::numeric_limits<int32_t>::min());
    c.PutInt32(std::numeric_limits<int32_t>::max());
    std::string s = "kept";
    EXPECT_EQ(c.GetString(s, 0), -1);
    EXPECT_EQ(c.GetString(s, 4), -1);
    // 8 + 4 + INT_MAX does not fit in an int position.
    EXPECT_EQ(c.GetString(s, 8), -1);
    EXPECT_EQ(s, "kept");
    // A large length that still fits in a position only moves past the end.
    IChunk d;
    d.PutInt32(1 << 30);
    EXPECT_EQ(d.GetString(s, 0), 4 + (1 << 30));
    int32_t i = 0;
    EXPECT_EQ(d.GetInt32(i, 4 + (1 << 30)), -1);
}

TEST(IChunk, AppendsOtherChunksAndItsOwnBytes)
{
    IChunk a;
    a.PutInt32(1);
    IChunk b;
    b.PutInt32(2);
    b.PutChunk(a);
    ASSERT_EQ(b.Size(), 8);
    int32_t v = 0;
    EXPECT_EQ(b.GetInt32(v, 4), 8);
    EXPECT_EQ(v, 1);
    // Appending its own bytes, across a growth step, copies them first.
    IChunk self;
    for (int k = 0; k < 1000; ++k) self.PutInt32(k);
    self.PutBytes(self.Bytes());
    ASSERT_EQ(self.Size(), 8000);
    EXPECT_EQ(self.GetInt32(v, 4000 + 4 * 999), 8000);
    EXPECT_EQ(v, 999);
    // Refilling a cleared chunk from its own old storage, as a host handing
    // back our bytes would.
    IChunk refill;
    refill.PutString("state");
    const uint8_t* old = refill.Data();
    const int size = refill.Size();
    refill.Clear();
    refill.PutBytes(std::span<const uint8_t>(old, static_cast<std::size_t>(size)));
    std::string s;
    EXPECT_EQ(refill.GetString(s, 0), size);
    EXPECT_EQ(s, "state");
}

TEST(IChunk, ClearEmptiesAndGrowthKeepsTheContent)
{
    IChunk c;
    for (int k = 0; k < 3000; ++k) c.PutDouble(k * 0.5);  // 24000 bytes, several growth steps
    EXPECT_EQ(c.Size(), 24000);
    double d = 0;
    EXPECT_EQ(c.GetDouble(d, 8 * 2999), 24000);
    EXPECT_EQ(d, 1499.5);
    c.Clear();
    EXPECT_EQ(c.Size(), 0);
    EXPECT_TRUE(c.Empty());
    EXPECT_EQ(c.GetDouble(d, 0), -1);
}

}  // namespace
}  // namespace qor

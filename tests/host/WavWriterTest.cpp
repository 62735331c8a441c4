#include "tools/render/WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <unistd.h>

namespace qor {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class WavWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("qor-wav-" + std::to_string(getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static Bytes readAll(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static uint32_t le(const Bytes& b, size_t at, int n)
    {
        uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<size_t>(i));
        return v;
    }
    static int32_t le24(const Bytes& b, size_t at)
    {
        const uint32_t v = le(b, at, 3);
        return static_cast<int32_t>(v << 8) >> 8;
    }
    size_t filesIn() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }

    Bytes writeFile(SampleFormat format, std::vector<float> left, std::vector<float> right)
    {
        WavWriter writer;
        std::string error;
        const fs::path target = dir_ / "out.wav";
        EXPECT_TRUE(writer.open(target, 48000, format, error)) << error;
        EXPECT_TRUE(writer.write(left, right, error)) << error;
        EXPECT_TRUE(writer.finish(error)) << error;
        EXPECT_EQ(filesIn(), 1u);  // the temporary file is gone
        return readAll(target);
    }

    fs::path dir_;
};

TEST_F(WavWriterTest, Pcm16HeaderRoundingAndClipping)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Bytes b = writeFile(SampleFormat::Pcm16, {0.5f, -1.0f, 1.5f, nan}, {-0.5f, 1.0f, -2.0f, 1e-6f});
    ASSERT_EQ(b.size(), 44u + 16u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(le(b, 4, 4), 36u + 16u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le(b, 16, 4), 16u);
    EXPECT_EQ(le(b, 20, 2), 1u);  // integer PCM
    EXPECT_EQ(le(b, 22, 2), 2u);
    EXPECT_EQ(le(b, 24, 4), 48000u);
    EXPECT_EQ(le(b, 28, 4), 48000u * 4);
    EXPECT_EQ(le(b, 32, 2), 4u);
    EXPECT_EQ(le(b, 34, 2), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(le(b, 40, 4), 16u);
    auto sample = [&](int i) { return static_cast<int16_t>(le(b, 44 + static_cast<size_t>(i) * 2, 2)); };
    EXPECT_EQ(sample(0), 16384);   // 0.5 * 32767 = 16383.5 rounds away from zero
    EXPECT_EQ(sample(1), -16384);
    EXPECT_EQ(sample(2), -32767);  // symmetric full scale
    EXPECT_EQ(sample(3), 32767);
    EXPECT_EQ(sample(4), 32767);   // clipped
    EXPECT_EQ(sample(5), -32767);
    EXPECT_EQ(sample(6), 0);       // not-a-number is silence
    EXPECT_EQ(sample(7), 0);       // below half a step
}

TEST_F(WavWriterTest, Pcm24HeaderAndSamples)
{
    const Bytes b = writeFile(SampleFormat::Pcm24, {-0.25f, 1.0f}, {0.125f, -3.0f});
    ASSERT_EQ(b.size(), 44u + 12u);
    EXPECT_EQ(le(b, 4, 4), 36u + 12u);
    EXPECT_EQ(le(b, 20, 2), 1u);
    EXPECT_EQ(le(b, 28, 4), 48000u * 6);
    EXPECT_EQ(le(b, 32, 2), 6u);
    EXPECT_EQ(le(b, 34, 2), 24u);
    EXPECT_EQ(le(b, 40, 4), 12u);
    EXPECT_EQ(le24(b, 44), -2097152);  // 0.25 * 8388607 = 2097151.75
    EXPECT_EQ(le24(b, 47), 1048576);   // 0.125 * 8388607 = 1048575.875
    EXPECT_EQ(le24(b, 50), 8388607);
    EXPECT_EQ(le24(b, 53), -8388607);
}

TEST_F(WavWriterTest, FloatHasFactChunkAndExactSamples)
{
    const Bytes b = writeFile(SampleFormat::Float32, {0.1f, -1.75f, std::numeric_limits<float>::infinity()},
                              {2.5f, 0.0f, 0.3f});
    ASSERT_EQ(b.size(), 58u + 24u);
    EXPECT_EQ(le(b, 4, 4), 50u + 24u);
    EXPECT_EQ(le(b, 16, 4), 18u);
    EXPECT_EQ(le(b, 20, 2), 3u);  // IEEE float
    EXPECT_EQ(le(b, 32, 2), 8u);
    EXPECT_EQ(le(b, 34, 2), 32u);
    EXPECT_EQ(le(b, 36, 2), 0u);
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 42), "fact");
    EXPECT_EQ(le(b, 46, 4), 3u);
    EXPECT_EQ(std::string(b.begin() + 50, b.begin() + 54), "data");
    EXPECT_EQ(le(b, 54, 4), 24u);
    auto sample = [&](int i) {
        const uint32_t bits = le(b, 58 + static_cast<size_t>(i) * 4, 4);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    };
    EXPECT_EQ(sample(0), 0.1f);
    EXPECT_EQ(sample(1), 2.5f);  // not clipped
    EXPECT_EQ(sample(2), -1.75f);
    EXPECT_EQ(sample(4), 0.0f);  // infinity written as silence
    EXPECT_EQ(sample(5), 0.3f);
}

TEST_F(WavWriterTest, NothingAppearsUnderTheTargetNameUntilFinished)
{
    const fs::path target = dir_ / "song.wav";
    std::ofstream(target) << "an earlier render";
    {
        WavWriter writer;
        std::string error;
        ASSERT_TRUE(writer.open(target, 44100, SampleFormat::Pcm24, error)) << error;
        const std::vector<float> block(256, 0.5f);
        ASSERT_TRUE(writer.write(block, block, error));
        EXPECT_TRUE(fs::exists(writer.temporaryPath()));
        EXPECT_EQ(writer.temporaryPath().parent_path(), dir_);
        // Abandoned by going out of scope, as when a render fails.
    }
    EXPECT_EQ(filesIn(), 1u);
    std::ifstream in(target);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "an earlier render");
}

TEST_F(WavWriterTest, UnwritableFolderFailsAndLeavesNoFile)
{
    WavWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open(dir_ / "missing" / "out.wav", 44100, SampleFormat::Pcm16, error));
    EXPECT_NE(error.find("out.wav"), std::string::npos);
    // A regular file where a folder should be.
    std::ofstream(dir_ / "plain") << "x";
    error.clear();
    EXPECT_FALSE(writer.open(dir_ / "plain" / "out.wav", 44100, SampleFormat::Pcm16, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(writer.finish(error));
    EXPECT_EQ(filesIn(), 1u);
}

}  // namespace
}  // namespace qor

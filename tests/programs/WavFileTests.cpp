#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "programs/WavFile.h"
#include "tests/programs/WavTestFiles.h"

namespace qor {
namespace {

using test::Float32;
using test::Float64;
using test::Pcm16;
using test::Pcm24;
using test::WavBytes;

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("qor-wavtest-" + std::to_string(::getpid()) + "-" + name)).string();
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WavReader, ConvertsEachSampleFormat)
{
    WavBytes pcm8;
    pcm8.Fmt(1, 1, 8).Data({0, 1, 127, 128, 255});
    WavReadResult r = ReadWav(pcm8.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{-1.0, -0.9921875, -0.0078125, 0.0, 0.9921875}));

    WavBytes pcm16;
    pcm16.Fmt(1, 1, 16).Data(Pcm16({-32768, -1, 0, 1, 32767}));
    r = ReadWav(pcm16.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{-1.0, -1.0 / 32768, 0.0, 1.0 / 32768, 32767.0 / 32768}));

    WavBytes pcm24;
    pcm24.Fmt(1, 1, 24).Data(Pcm24({-8388608, -1, 0, 1, 8388607}));
    r = ReadWav(pcm24.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{-1.0, -1.0 / 8388608, 0.0, 1.0 / 8388608, 8388607.0 / 8388608}));

    // Float samples are taken as they are, beyond -1..1 too.
    WavBytes f32;
    f32.Fmt(3, 1, 32).Data(Float32({0.25, -1.5, 3.0}));
    r = ReadWav(f32.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{0.25, -1.5, 3.0}));

    WavBytes f64;
    f64.Fmt(3, 1, 64).Data(Float64({0.1, -7.0}));
    r = ReadWav(f64.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{0.1, -7.0}));
    EXPECT_EQ(r.format.frames, 2u);
    EXPECT_EQ(r.format.sampleRate, 44100u);
}

TEST(WavReader, RefusesStereoAndFormatsItCannotRead)
{
    WavBytes stereo;
    stereo.Fmt(1, 2, 16).Data(Pcm16({1, 2, 3, 4}));
    EXPECT_EQ(ReadWav(stereo.bytes).error, WavError::kNotMono);

    struct Case {
        int tag;
        int channels;
        int bits;
    };
    // 32-bit integers, 16-bit floats, 12 bits, no channels, A-law, extensible.
    for (const Case c : {Case{1, 1, 32}, Case{3, 1, 16}, Case{1, 1, 12}, Case{1, 0, 16}, Case{6, 1, 8}, Case{0xFFFE, 1, 16}}) {
        WavBytes wav;
        wav.Fmt(c.tag, c.channels, c.bits).Data(std::vector<uint8_t>(64, 0x11));
        const WavReadResult r = ReadWav(wav.bytes);
        EXPECT_EQ(r.error, WavError::kCannotRead) << c.tag << " " << c.channels << " " << c.bits;
        EXPECT_TRUE(r.samples.empty());
    }
    // An unusable format forgets a usable one read before it.
    WavBytes overwritten;
    overwritten.Fmt(1, 1, 16).Fmt(1, 1, 32).Data(Pcm16({1, 2}));
    EXPECT_EQ(ReadWav(overwritten.bytes).error, WavError::kCannotRead);

    for (const std::vector<uint8_t>& header : {std::vector<uint8_t>{'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'},
                                                std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '},
                                                std::vector<uint8_t>{'R', 'I', 'F', 'F'}}) {
        WavBytes wav;
        wav.bytes = header;
        wav.Fmt(1, 1, 16).Data(Pcm16({1, 2}));
        EXPECT_EQ(ReadWav(wav.bytes).error, WavError::kCannotRead);
    }
}

TEST(WavReader, WalksChunksByTheirUnpaddedSize)
{
    // An odd-sized chunk before "fmt " is followed directly by the next header.
    WavBytes odd;
    odd.Chunk("LIST", {1, 2, 3}).Fmt(1, 1, 16).Chunk("junk", {9}).Data(Pcm16({100, -100}));
    WavReadResult r = ReadWav(odd.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples.size(), 2u);

    // A "fmt " with extra bytes, a short "fmt ", an empty "data" and a "data"
    // before any usable format are all stepped over.
    WavBytes skipped;
    skipped.Data(Pcm16({5, 5, 5}))
        .Chunk("fmt ", {1, 0, 1, 0})
        .Fmt(1, 1, 16, 22050, 2)
        .Data({})
        .Data(Pcm16({7, 8}));
    r = ReadWav(skipped.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{7.0 / 32768, 8.0 / 32768}));
    EXPECT_EQ(r.format.sampleRate, 22050u);

    // RIFF's pad byte is not expected: a padded odd chunk misleads the walk.
    WavBytes padded;
    padded.Chunk("LIST", {1, 2, 3, 0}).Fmt(1, 1, 16).Data(Pcm16({1}));
    padded.bytes[16] = 3;  // the size says 3, the pad byte follows
    EXPECT_EQ(ReadWav(padded.bytes).error, WavError::kCannotRead);

    // No "data" at all.
    WavBytes none;
    none.Fmt(1, 1, 16).Chunk("LIST", {1, 2});
    EXPECT_EQ(ReadWav(none.bytes).error, WavError::kCannotRead);
}

TEST(WavReader, FrameCountComesFromTheDataSizeAndTheFileEnd)
{
    // 7 bytes of 16-bit samples are 3 frames.
    WavBytes odd;
    odd.Fmt(1, 1, 16).Data({1, 0, 2, 0, 3, 0, 4});
    WavReadResult r = ReadWav(odd.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.format.frames, 3u);
    EXPECT_EQ(r.samples.size(), 3u);

    // Less than one frame: nothing to read.
    WavBytes tiny;
    tiny.Fmt(1, 1, 16).Data({1});
    EXPECT_EQ(ReadWav(tiny.bytes).error, WavError::kCannotRead);

    // A header claiming four gigabytes reads the ten samples that are there.
    WavBytes huge;
    huge.Fmt(1, 1, 16).ChunkWithSize("data", 0xFFFFFFFEu, Pcm16(std::vector<int>(10, 1000)));
    r = ReadWav(huge.bytes);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.format.frames, 0x7FFFFFFFu);
    EXPECT_EQ(r.samples.size(), 10u);
    EXPECT_LE(r.samples.capacity(), 4096u);

    // A data chunk whose samples are cut off entirely.
    WavBytes cut;
    cut.Fmt(1, 1, 16).ChunkWithSize("data", 100, {});
    EXPECT_EQ(ReadWav(cut.bytes).error, WavError::kCannotRead);
}

TEST(WavReader, TruncationAtEveryByteNeverReadsPastTheEnd)
{
    WavBytes whole;
    whole.Chunk("LIST", {1, 2, 3}).Fmt(1, 1, 24, 48000, 2).Data(Pcm24(test::SineValues(40, 1, 8000000)));
    const WavReadResult full = ReadWav(whole.bytes);
    ASSERT_FALSE(full.error);
    const size_t dataStart = whole.bytes.size() - 120;
    for (size_t length = 0; length < whole.bytes.size(); ++length) {
        const std::vector<uint8_t> part(whole.bytes.begin(), whole.bytes.begin() + static_cast<long>(length));
        const WavReadResult r = ReadWav(part);
        const size_t expected = length > dataStart ? (length - dataStart) / 3 : 0;
        if (expected == 0) {
            EXPECT_EQ(r.error, WavError::kCannotRead) << length;
            continue;
        }
        ASSERT_FALSE(r.error) << length;
        ASSERT_EQ(r.samples.size(), expected) << length;
        EXPECT_TRUE(std::equal(r.samples.begin(), r.samples.end(), full.samples.begin())) << length;
    }
}

TEST(WavReader, RefusesMoreSamplesThanAUserWaveCanBe)
{
    WavBytes longest;
    longest.Fmt(1, 1, 8).Data(std::vector<uint8_t>(kMaxWavSamples, 128));
    EXPECT_EQ(ReadWav(longest.bytes).samples.size(), kMaxWavSamples);
    WavBytes tooLong;
    tooLong.Fmt(1, 1, 8).Data(std::vector<uint8_t>(kMaxWavSamples + 1, 128));
    EXPECT_EQ(ReadWav(tooLong.bytes).error, WavError::kCannotRead);
}

TEST(WavReader, ReadsFilesAndRefusesWhatIsNoFile)
{
    const std::string path = TempPath("read.wav");
    WavBytes wav;
    wav.Fmt(3, 1, 32).Data(Float32({0.5, -0.5, 0.25}));
    ASSERT_TRUE(wav.Save(path));
    const WavReadResult r = ReadWavFile(path);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{0.5, -0.5, 0.25}));

    // Cut inside the samples, the file reads what is left of them.
    std::filesystem::resize_file(path, wav.bytes.size() - 5);
    EXPECT_EQ(ReadWavFile(path).samples.size(), 1u);
    std::filesystem::remove(path);

    EXPECT_EQ(ReadWavFile(path).error, WavError::kCannotRead);
    EXPECT_EQ(ReadWavFile(std::filesystem::temp_directory_path().string()).error, WavError::kCannotRead);
}

TEST(WavWriter, ConvertsTo16BitsAtTheEdgesAsTheInstrumentDoes)
{
    EXPECT_EQ(ToPcm16(-1.0), -32768);
    EXPECT_EQ(ToPcm16(-2.0), -32768);
    EXPECT_EQ(ToPcm16(-0.9921875), -32512);  // -32512.5 truncated towards zero
    EXPECT_EQ(ToPcm16(-1.0 / 65536), -1);
    EXPECT_EQ(ToPcm16(0.0), 0);
    EXPECT_EQ(ToPcm16(1.0 / 65536), 1);
    EXPECT_EQ(ToPcm16(0.9921875), 32512);
    EXPECT_EQ(ToPcm16(std::nextafter(0.9999542236328125, 0.0)), 32766);
    EXPECT_EQ(ToPcm16(0.9999542236328125), 32767);
    EXPECT_EQ(ToPcm16(0.99995), 32766);
    EXPECT_EQ(ToPcm16(5.0), 32767);
}

TEST(WavWriter, WritesA44ByteHeaderThatTheReaderAccepts)
{
    const std::string path = TempPath("write.wav");
    const std::vector<double> samples{-1.0, -0.5, 0.0, 0.5, 0.9921875};
    ASSERT_TRUE(WriteWavFile(path, samples));
    const std::vector<uint8_t> bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 44u + 10u);
    const std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 44);
    const std::vector<uint8_t> expected{'R', 'I', 'F', 'F', 46, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                        16, 0, 0, 0, 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 0x01, 0,
                                        2, 0, 16, 0, 'd', 'a', 't', 'a', 10, 0, 0, 0};
    EXPECT_EQ(header, expected);
    const WavReadResult r = ReadWavFile(path);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.samples, (std::vector<double>{-1.0, -0.5, 0.0, 0.5, 32512.0 / 32768}));
    std::filesystem::remove(path);

    EXPECT_FALSE(WriteWavFile(TempPath("no-such-folder") + "/x.wav", samples));
}

}  // namespace
}  // namespace qor

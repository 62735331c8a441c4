// Golden renders: short performances through the engine whose output must stay
// the same to the bit. They guard the sound against work on the engine's
// speed; after a change that is meant to alter the sound, rewrite them with
//
//   QOR_REGENERATE_GOLDEN=1 build/tests/qor_tests --gtest_filter='GoldenRender.*'
//
// and commit the new files. Each file holds a 64-bit FNV-1a hash over the bits
// of every rendered sample (left and right) and, for finding where a render
// went astray, every fourth stereo frame as little-endian doubles. A changed
// sample anywhere changes the hash; the recursive filters carry a change on
// into the kept frames as well.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "EngineTestUtil.h"
#include "engine/WaveMemory.h"

namespace qor::test {
namespace {

// status kParameterChange sets parameter data1 to the plain value data2.
constexpr int kParameterChange = 0;

struct TimedEvent {
    int frame;
    int status;
    int data1;
    int data2;
};

struct GoldenCase {
    const char* name;
    double rate;
    int frames;
    int block;
    std::vector<std::pair<int, double>> params;  // index, plain value, in this order
    std::vector<TimedEvent> events;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

constexpr int kKeepEvery = 4;
constexpr char kMagic[8] = {'Q', 'O', 'R', 'G', 'O', 'L', 'D', '1'};

std::vector<TimedEvent> chord(std::initializer_list<int> notes, int on, int off, int velocity = 100)
{
    std::vector<TimedEvent> events;
    for (int n : notes) events.push_back({on, 0x90, n, velocity});
    for (int n : notes) events.push_back({off, 0x80, n, 0});
    return events;
}

std::vector<TimedEvent> operator+(std::vector<TimedEvent> a, const std::vector<TimedEvent>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every wave kind (fixed memory, both user waves, noise, off), the filter from
// clean to self-oscillating and saturated, every chorus mode, both outputs,
// mono and poly play, every LFO shape, three rates.
std::vector<GoldenCase> goldenCases()
{
    return {
        {"PolySawResonant44k", 44100.0, 6000, 256,
         {{kOsc1Wave, 30}, {kOsc2Wave, 29}, {kBalance, -4}, {kOsc2Fine, 3}, {kCutoff, 38}, {kResonance, 22},
          {kEnvelope, 20}, {kVcfDecay, 14}, {kVcfSustain, 8}, {kVcaRelease, 12}, {kVeloVcf, 6}, {kKbVcf, 5}},
         chord({48, 55, 60, 64}, 0, 3500, 110) + chord({67}, 700, 5000, 40)},
        {"UserWaveNoiseChorus1At48k", 48000.0, 6000, 160,
         {{kOsc1Wave, 32}, {kOsc2Wave, 33}, {kBalance, -9}, {kCutoff, 60}, {kResonance, 9}, {kChorus, 1},
          {kLfoShape, 2}, {kLfoSpeed, 70}, {kLfoToVcf, 20}, {kVcaAttack, 6}, {kVcaRelease, 9}},
         chord({57, 61, 64}, 10, 4200) + std::vector<TimedEvent>{{2000, 0xD0, 90, 0}, {2500, 0xE0, 0, 100}}},
        {"MonoGlideChorus2At96k", 96000.0, 9000, 300,
         {{kOsc1Wave, 5}, {kOsc2Wave, 17}, {kOsc2Coarse, 7}, {kMono, 1}, {kPortamento, 1}, {kPortaSpeed, 60},
          {kRange, 2}, {kChorus, 2}, {kLfoShape, 3}, {kLfoSpeed, 55}, {kLfoToOsc, 12}, {kLfoDelay, 4},
          {kOutput, 0}, {kMonoDetune, 9}},
         std::vector<TimedEvent>{{0, 0x90, 45, 100}, {3000, 0x90, 57, 90}, {6000, 0x80, 57, 0}, {8000, 0x80, 45, 0}}},
        {"SelfOscillatingSaturatedChorus3At48k", 48000.0, 6000, 256,
         {{kOsc1Wave, 1}, {kOsc2Wave, 0}, {kCutoff, 45}, {kResonance, 31}, {kEnvelope, 31}, {kVcfAttack, 3},
          {kVcfDecay, 18}, {kChorus, 3}, {kLfoShape, 4}, {kLfoSpeed, 80}, {kLfoToVca, 18}, {kVolume, 1}},
         chord({36, 43, 48, 52, 55, 60}, 0, 4500, 127)},
        {"TremoloInvertedEnvelope44k", 44100.0, 6000, 128,
         {{kOsc1Wave, 11}, {kOsc2Wave, 34}, {kBalance, 6}, {kVcfEnvInvert, 1}, {kEnvelope, 24}, {kVcfDecay, 10},
          {kChorus, 4}, {kChorusSpeed, 12}, {kChorusDepth, -8}, {kLfoShape, 5}, {kLfoSpeed, 30}, {kLfoToOsc, 6},
          {kLowCut, 20}, {kLowBoost, 24}},
         chord({50, 62}, 0, 4000)},
        {"DelayModesRoundRobin48k", 48000.0, 7000, 512,
         {{kOsc1Wave, 23}, {kOsc2Wave, 27}, {kVoices, 3}, {kVoiceAllocationMode, 1}, {kChorus, 5},
          {kLfoShape, 6}, {kLfoSpeed, 90}, {kLfoToVcf, 9}, {kVcaDecay, 12}, {kVcaSustain, 14}, {kVcaRelease, 5}},
         chord({40, 47, 52, 56, 59, 64, 68, 71}, 0, 1500) + chord({42, 49, 54}, 2000, 4500) +
             std::vector<TimedEvent>{{4800, kParameterChange, kChorus, 6}}},
        {"Chorus7SampleHoldMono96k", 96000.0, 8000, 333,
         {{kOsc1Wave, 19}, {kOsc2Wave, 31}, {kOsc2Coarse, -12}, {kChorus, 7}, {kLfoShape, 7}, {kLfoSpeed, 95},
          {kLfoToVcf, 25}, {kResonance, 16}, {kOutput, 0}, {kVoices, 1}, {kPriority, 1}},
         std::vector<TimedEvent>{{0, 0x90, 60, 100}, {1500, 0x90, 72, 100}, {4000, 0x80, 72, 0},
                                 {6000, 0x80, 60, 0}}},
        {"SixtyFourVoicesChorus1At44k", 44100.0, 3000, 256,
         {{kOsc1Wave, 30}, {kOsc2Wave, 25}, {kVoices, 4}, {kChorus, 1}, {kResonance, 12}, {kEnvelope, 16},
          {kVcfSustain, 20}, {kLfoShape, 1}, {kLfoSpeed, 40}, {kLfoToOsc, 6}},
         [] {
             std::vector<TimedEvent> events;
             for (int n = 0; n < 64; ++n) events.push_back({n * 7, 0x90, 30 + n, 64 + n});
             return events;
         }()},
    };
}

// A recognisable, fixed pattern in both user-wave buffers.
void fillUserWaves(Engine& engine)
{
    for (int m = 0; m < 2; ++m) {
        uint8_t* wave = engine.UserWave(m);
        for (int i = 0; i < 1024; ++i) {
            wave[i] = static_cast<uint8_t>((i * (m ? 13 : 5) + (i >> 3)) & 0xFF);
            wave[i + 1024] = static_cast<uint8_t>((i * 3) & 0x0F);
        }
    }
}

Stereo renderCase(const GoldenCase& c)
{
    Engine engine;
    fillUserWaves(engine);
    engine.Reset(c.rate);
    for (const auto& [index, value] : c.params) engine.SetParameterValue(index, value);

    Stereo out;
    out.left.resize(static_cast<size_t>(c.frames));
    out.right.resize(static_cast<size_t>(c.frames));
    for (int done = 0; done < c.frames;) {
        const int n = std::min(c.block, c.frames - done);
        for (const TimedEvent& e : c.events) {
            if (e.frame < done || e.frame >= done + n) continue;
            if (e.status == kParameterChange) {
                engine.SetParameterValue(e.data1, e.data2);  // before the block it falls in
                continue;
            }
            send(engine, e.status, e.data1, e.data2, e.frame - done);
        }
        engine.ProcessBlock(out.left.data() + done, out.right.data() + done, n, {});
        done += n;
    }
    return out;
}

uint64_t hashOf(const Stereo& s)
{
    uint64_t h = 0xcbf29ce484222325ull;
    const auto mix = [&h](double v) {
        const uint64_t bits = std::bit_cast<uint64_t>(v);
        for (int b = 0; b < 64; b += 8) {
            h ^= (bits >> b) & 0xFF;
            h *= 0x100000001b3ull;
        }
    };
    for (size_t i = 0; i < s.left.size(); ++i) {
        mix(s.left[i]);
        mix(s.right[i]);
    }
    return h;
}

void putLittle(std::vector<uint8_t>& out, uint64_t v)
{
    for (int b = 0; b < 64; b += 8) out.push_back(static_cast<uint8_t>(v >> b));
}

uint64_t getLittle(const std::vector<uint8_t>& in, size_t at)
{
    uint64_t v = 0;
    for (int b = 0; b < 8; ++b) v |= static_cast<uint64_t>(in[at + static_cast<size_t>(b)]) << (8 * b);
    return v;
}

// magic, frame count, hash, then the kept frames (left, right).
std::vector<uint8_t> encode(const Stereo& s)
{
    std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
    putLittle(out, s.left.size());
    putLittle(out, hashOf(s));
    for (size_t i = 0; i < s.left.size(); i += kKeepEvery) {
        putLittle(out, std::bit_cast<uint64_t>(s.left[i]));
        putLittle(out, std::bit_cast<uint64_t>(s.right[i]));
    }
    return out;
}

std::string goldenPath(const char* name) { return std::string(QOR_SOURCE_DIR) + "/tests/engine/golden/" + name + ".golden"; }

bool regenerating()
{
    const char* flag = std::getenv("QOR_REGENERATE_GOLDEN");
    return flag && std::strcmp(flag, "1") == 0;
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class GoldenRender : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenRender, MatchesTheReferenceToTheBit)
{
    const GoldenCase& c = GetParam();
    const Stereo rendered = renderCase(c);
    ASSERT_TRUE(allFinite(rendered.left) && allFinite(rendered.right));
    ASSERT_GT(rms(rendered.left), 1e-4) << "a golden render must make sound";
    const std::vector<uint8_t> bytes = encode(rendered);
    const std::string path = goldenPath(c.name);

    if (regenerating()) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good()) << "cannot write " << path;
        std::printf("rewrote %s\n", path.c_str());
        return;
    }

    const std::vector<uint8_t> golden = readFile(path);
    ASSERT_GE(golden.size(), 24u) << path << " is missing; run with QOR_REGENERATE_GOLDEN=1 to write it";
    ASSERT_EQ(0, std::memcmp(golden.data(), kMagic, sizeof kMagic)) << path << " is not a golden render";
    ASSERT_EQ(getLittle(golden, 8), rendered.left.size()) << "the case's length changed";
    // Find the first kept frame that differs, for a useful message.
    for (size_t k = 0, at = 24; at + 16 <= golden.size(); ++k, at += 16) {
        const size_t frame = k * kKeepEvery;
        ASSERT_EQ(std::bit_cast<double>(getLittle(golden, at)), rendered.left[frame]) << "left, frame " << frame;
        ASSERT_EQ(std::bit_cast<double>(getLittle(golden, at + 8)), rendered.right[frame]) << "right, frame " << frame;
    }
    EXPECT_EQ(golden.size(), bytes.size());
    EXPECT_EQ(getLittle(golden, 16), hashOf(rendered)) << "a sample between the kept frames differs";
}

INSTANTIATE_TEST_SUITE_P(Engine, GoldenRender, ::testing::ValuesIn(goldenCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qor::test

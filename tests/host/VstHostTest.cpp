#include "tests/plugin/TestHome.h"
#include "tools/render/MidiFileWriter.h"
#include "tools/render/ProbeReport.h"
#include "tools/render/SongRenderer.h"
#include "tools/render/VstHost.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace qor {
namespace {

using Bytes = std::vector<uint8_t>;

#ifdef QOR_PROBE_PLUGIN_PATH
// The probe plug-in reports what it saw through an exported function; the
// test opens the same library, so both see one report.
class ProbeHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library_.open(QOR_PROBE_PLUGIN_PATH)) << library_.error();
        report_ = reinterpret_cast<const ProbeReport* (*)()>(library_.symbol("qor_probe_report"))();
        reinterpret_cast<void (*)()>(library_.symbol("qor_probe_reset"))();
        std::string error;
        ASSERT_TRUE(host_.load(QOR_PROBE_PLUGIN_PATH, error)) << error;
    }

    // Renders one block into left/right and returns them.
    void block(int frames)
    {
        left_.assign(static_cast<size_t>(frames), -1.0f);
        right_.assign(static_cast<size_t>(frames), -1.0f);
        std::array<float*, 2> out{left_.data(), right_.data()};
        host_.process(out, frames);
    }

    DynamicLibrary library_;
    const ProbeReport* report_ = nullptr;
    VstHost host_;
    std::vector<float> left_, right_;
};

TEST_F(ProbeHostTest, AnswersCallsFromInsideTheEntryAndFollowsTheDawOrder)
{
    // Asked with a null effect before the host knew the record.
    EXPECT_EQ(report_->versionInEntry, 2400);
    EXPECT_STREQ(report_->vendorInEntry, "QOR");
    EXPECT_EQ(report_->canDoSendEvents, 1);
    EXPECT_EQ(report_->canDoBogus, 0);
    EXPECT_GE(host_.nullEffectCalls(), 4);

    host_.configure(48000.0, 256);
    host_.start();
    EXPECT_EQ(report_->sampleRate, 48000.0f);
    EXPECT_EQ(report_->blockSize, 256);
    EXPECT_EQ(report_->hostSampleRate, 48000);
    EXPECT_EQ(report_->hostBlockSize, 256);
    host_.unload();
    EXPECT_EQ(report_->closeCalls, 1);
    const std::vector<int32_t> seen(report_->opcodes, report_->opcodes + report_->opcodeCount);
    const std::vector<int32_t> expected{vst::effOpen,         vst::effSetSampleRate, vst::effSetBlockSize,
                                        vst::effMainsChanged, vst::effStartProcess,  vst::effStopProcess,
                                        vst::effMainsChanged, vst::effClose};
    EXPECT_EQ(seen, expected);
}

TEST_F(ProbeHostTest, DeliversEventsAtTheirFramesAndCollectsWhatThePluginSends)
{
    host_.configure(44100.0, 128);
    host_.start();
    const Bytes sysex{0xF0, 0x40, 0x00, 0x10, 0x7F, 0x00, 0xF7};
    host_.queueMidi(100, Bytes{0x80, 60, 0});
    host_.queueSysEx(20, sysex);
    host_.queueMidi(10, Bytes{0x90, 60, 100});
    block(128);
    EXPECT_EQ(report_->badEvents, 0);
    EXPECT_EQ(report_->eventsReceived, 3);
    EXPECT_EQ(report_->sysexReceived, 1);
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(left_[static_cast<size_t>(i)], i >= 10 && i < 100 ? 0.25f : 0.0f) << "frame " << i;
        EXPECT_EQ(right_[static_cast<size_t>(i)], i == 10 ? 1.0f : 0.0f) << "frame " << i;
    }

    // The probe echoes each list; times are absolute, SysEx copied byte for byte.
    block(128);
    host_.queueMidi(5, Bytes{0xB0, 1, 64});
    block(128);
    const auto& got = host_.receivedEvents();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].frame, 10);
    EXPECT_EQ(got[0].bytes, (Bytes{0x90, 60, 100}));
    EXPECT_EQ(got[1].frame, 20);
    EXPECT_EQ(got[1].bytes, sysex);
    EXPECT_EQ(got[2].frame, 100);
    EXPECT_EQ(got[3].frame, 256 + 5);
    EXPECT_EQ(got[3].bytes, (Bytes{0xB0, 1, 64}));
}

TEST_F(ProbeHostTest, ReportsTransportAndProcessLevelAndProcessesInDouble)
{
    host_.configure(44100.0, 64);
    host_.start();
    HostTransport transport;
    transport.ppqPos = 4.5;
    transport.tempo = 90.0;
    transport.barStartPos = 3.0;
    transport.numerator = 3;
    transport.playing = true;
    host_.setTransport(transport);
    block(64);
    ASSERT_TRUE(report_->hadTime);
    EXPECT_EQ(report_->processLevel, 4);
    EXPECT_EQ(report_->lastTime.samplePos, 0.0);
    EXPECT_EQ(report_->lastTime.sampleRate, 44100.0);
    EXPECT_EQ(report_->lastTime.ppqPos, 4.5);
    EXPECT_EQ(report_->lastTime.tempo, 90.0);
    EXPECT_EQ(report_->lastTime.barStartPos, 3.0);
    EXPECT_EQ(report_->lastTime.timeSigNumerator, 3);
    EXPECT_EQ(report_->lastTime.timeSigDenominator, 4);
    const int32_t flags = report_->lastTime.flags;
    EXPECT_TRUE(flags & vst::kVstTransportPlaying);
    EXPECT_TRUE(flags & vst::kVstTransportChanged);
    EXPECT_TRUE(flags & vst::kVstPpqPosValid);
    EXPECT_TRUE(flags & vst::kVstTempoValid);
    EXPECT_TRUE(flags & vst::kVstBarsValid);
    EXPECT_TRUE(flags & vst::kVstTimeSigValid);
    block(64);
    EXPECT_EQ(report_->lastTime.samplePos, 64.0);
    EXPECT_FALSE(report_->lastTime.flags & vst::kVstTransportChanged);

    ASSERT_TRUE(host_.canDoubleReplacing());
    std::vector<double> l(64, -1.0), r(64, -1.0);
    std::array<double*, 2> out{l.data(), r.data()};
    host_.queueMidi(3, Bytes{0x90, 64, 90});
    host_.processDouble(out, 64);
    EXPECT_EQ(report_->doubleBlocks, 1);
    EXPECT_EQ(r[3], 1.0);
    EXPECT_EQ(l[2], 0.0);
    EXPECT_EQ(l[63], 0.25);
}

TEST_F(ProbeHostTest, ParametersProgramsAndChunks)
{
    ASSERT_EQ(host_.numParams(), 2);
    EXPECT_EQ(host_.findParameter(" gain "), 0);
    EXPECT_EQ(host_.findParameter("MODE"), 1);
    EXPECT_EQ(host_.findParameter("Volume"), std::nullopt);
    EXPECT_TRUE(host_.setParameterText(1, "On"));
    EXPECT_EQ(host_.getParameter(1), 1.0f);
    EXPECT_FALSE(host_.setParameterText(1, "Maybe"));
    EXPECT_FALSE(host_.setParameterText(7, "On"));
    host_.setParameter(0, 0.25f);
    const ParameterInfo gain = host_.parameter(0);
    EXPECT_EQ(gain.name, "Gain");
    EXPECT_EQ(gain.display, "0.25");
    EXPECT_EQ(gain.label, "dB");
    EXPECT_EQ(gain.value, 0.25f);

    EXPECT_EQ(host_.programNames(), (std::vector<std::string>{"Init", "Bright", "Dark"}));
    host_.setProgram(2);
    EXPECT_EQ(host_.program(), 2);

    EXPECT_EQ(host_.getChunk(true).at(0), 'P');
    EXPECT_EQ(host_.getChunk(false).at(0), 'B');
    EXPECT_TRUE(host_.setChunk(Bytes{0x70, 1, 2, 3, 4}, false));
    EXPECT_EQ(report_->chunkBytesSet, 5);
    EXPECT_EQ(report_->chunkFirstByte, 0x70);
    EXPECT_FALSE(host_.setChunk(Bytes{}, false));
}

TEST_F(ProbeHostTest, SongRenderPutsEventsOnExactFramesAcrossBlocks)
{
    // Two notes: at 0.5 s (120 per minute, 96 ticks) and at 1.25 s after a
    // tempo change to 240 per minute at 1 s; an odd block size.
    MidiTrackWriter track;
    track.tempo(192, 240.0);
    track.note(96, 24, 0, 60, 100);
    track.note(288, 24, 0, 62, 100);
    const std::array<MidiTrackWriter, 1> tracks{track};
    std::string error;
    const auto song = parseMidiFile(midiFileBytes(0, 96, tracks), error);
    ASSERT_TRUE(song) << error;

    RenderSettings settings;
    settings.sampleRate = 44100.0;
    settings.blockSize = 100;
    settings.tailSeconds = 0.5;
    std::vector<float> left, right;
    const auto summary = renderSong(
        host_, *song, settings,
        [&](std::span<const float> l, std::span<const float> r, std::string&) {
            left.insert(left.end(), l.begin(), l.end());
            right.insert(right.end(), r.begin(), r.end());
            return true;
        },
        nullptr, error);
    ASSERT_TRUE(summary) << error;
    EXPECT_EQ(summary->frames, static_cast<int64_t>(left.size()));
    EXPECT_EQ(summary->frames, static_cast<int64_t>(std::ceil((1.25 + 0.0625 + 0.5) * 44100)));
    std::vector<size_t> impulses;
    for (size_t i = 0; i < right.size(); ++i) {
        if (right[i] != 0.0f) impulses.push_back(i);
    }
    EXPECT_EQ(impulses, (std::vector<size_t>{22050, 55125}));
    EXPECT_FLOAT_EQ(static_cast<float>(summary->peak), 1.0f);
    EXPECT_EQ(report_->badEvents, 0);
    EXPECT_EQ(report_->lastTime.tempo, 240.0);
    EXPECT_FALSE(host_.isRunning());
}

TEST_F(ProbeHostTest, SilentTailStopsOnceTheOutputFallsQuiet)
{
    // The probe is silent once its key is up: the tail ends after the
    // required stretch of silence, not after the full tail allowance.
    MidiTrackWriter track;
    track.note(0, 96, 0, 60, 100);
    const std::array<MidiTrackWriter, 1> tracks{track};
    std::string error;
    const auto song = parseMidiFile(midiFileBytes(0, 96, tracks), error);
    ASSERT_TRUE(song) << error;
    RenderSettings settings;
    settings.blockSize = 441;
    settings.tailUntilSilent = true;
    std::vector<double> progress;
    const auto summary = renderSong(
        host_, *song, settings, [](std::span<const float>, std::span<const float>, std::string&) { return true; },
        [&](double fraction) { progress.push_back(fraction); }, error);
    ASSERT_TRUE(summary) << error;
    EXPECT_EQ(summary->frames, 22050 + static_cast<int64_t>(kSilentSeconds * 44100));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_LT(progress.back(), 1.0);  // stopped early
    EXPECT_NEAR(summary->rms, std::sqrt(0.25 * 0.25 / 2 * 22050 / summary->frames + 1.0 / 2 / summary->frames), 1e-6);

    // A failing writer stops the render with its message.
    const auto failed = renderSong(
        host_, *song, settings,
        [](std::span<const float>, std::span<const float>, std::string& err) {
            err = "disk full";
            return false;
        },
        nullptr, error);
    EXPECT_FALSE(failed);
    EXPECT_EQ(error, "disk full");
    EXPECT_FALSE(host_.isRunning());
}

TEST(VstHost, RefusesFilesThatAreNotPlugins)
{
    VstHost host;
    std::string error;
    EXPECT_FALSE(host.load("/nonexistent/plugin.so", error));
    EXPECT_NE(error.find("/nonexistent/plugin.so"), std::string::npos);
    error.clear();
    EXPECT_FALSE(host.load(std::string(QOR_SOURCE_DIR) + "/resources/demo/demo.mid", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(host.isLoaded());
}
#endif

// Third-party instruments prove the interface against code we did not write.
// Each plays in a child process: their leaks and crashes stay there (the
// child leaves with _exit, so the leak checker of a sanitizer build does not
// judge code that is not ours), and the parent only reads the figures.
struct ChordRender {
    bool loaded = false;
    char error[256] = {};
    int outputs = 0;
    int nullEffectCalls = 0;
    double rms = 0.0;
    bool finite = true;
};

ChordRender renderChordHere(const std::string& path, const std::vector<int>& keys)
{
    ChordRender result;
    VstHost host;
    std::string error;
    if (!host.load(path, error)) {
        std::snprintf(result.error, sizeof result.error, "%s", error.c_str());
        return result;
    }
    result.loaded = true;
    result.nullEffectCalls = host.nullEffectCalls();
    result.outputs = host.numOutputs();
    if (result.outputs < 1) return result;
    constexpr int kBlock = 512;
    constexpr int kFrames = 44100;
    host.configure(44100.0, kBlock);
    host.start();
    std::vector<std::vector<float>> buffers(static_cast<size_t>(result.outputs), std::vector<float>(kBlock));
    std::vector<float*> out;
    for (auto& b : buffers) out.push_back(b.data());
    double sum = 0.0;
    for (int pos = 0; pos < kFrames; pos += kBlock) {
        if (pos == 0) {
            for (int key : keys) host.queueMidi(0, Bytes{0x90, static_cast<uint8_t>(key), 100});
        }
        if (pos == 34 * kBlock) {
            for (int key : keys) host.queueMidi(7, Bytes{0x80, static_cast<uint8_t>(key), 0});
        }
        host.process(out, kBlock);
        for (const auto& channel : buffers) {
            for (float s : channel) {
                result.finite = result.finite && std::isfinite(s);
                sum += static_cast<double>(s) * s;
            }
        }
    }
    result.rms = std::sqrt(sum / (static_cast<double>(kFrames) * static_cast<double>(buffers.size())));
    host.unload();
    return result;
}

std::optional<ChordRender> renderChord(const std::string& path, const std::vector<int>& keys)
{
    std::array<int, 2> fds{};
    if (pipe(fds.data()) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const ChordRender result = renderChordHere(path, keys);
        const bool written = write(fds[1], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
        _exit(written ? 0 : 1);
    }
    close(fds[1]);
    ChordRender result;
    const bool complete = child > 0 && read(fds[0], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
    close(fds[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return result;
}

void expectAudible(const std::optional<ChordRender>& r, const char* what)
{
    ASSERT_TRUE(r.has_value()) << "the child process rendering " << what << " died";
    ASSERT_TRUE(r->loaded) << r->error;
    EXPECT_GE(r->outputs, 1);
    EXPECT_TRUE(r->finite);
    EXPECT_GT(r->rms, 0.01) << "RMS " << r->rms;
    std::printf("%s: RMS %.4f (%.1f dBFS), %d calls with a null effect\n", what, r->rms, toDecibels(r->rms),
                r->nullEffectCalls);
}

TEST(ThirdPartyPlugins, AmsynthPlaysACMajorChord)
{
    const std::string path = "/usr/lib/vst/amsynth_vst.so";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is missing: install amsynth (scripts/bootstrap)";
    test::TestHome home;  // it may write its settings: never into the real home
    expectAudible(renderChord(path, {60, 64, 67}), "amsynth C major chord");
}

TEST(ThirdPartyPlugins, NekobiPlaysANoteThroughItsMainEntry)
{
    const std::string path = "/usr/lib/vst/Nekobi-vst.so";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is missing: install dpf-plugins-vst (scripts/bootstrap)";
    test::TestHome home;  // it may write its settings: never into the real home
    {
        DynamicLibrary lib;
        ASSERT_TRUE(lib.open(path)) << lib.error();
        EXPECT_EQ(lib.symbol("VSTPluginMain"), nullptr) << "Nekobi is here to test the fallback to main";
        EXPECT_NE(lib.symbol("main"), nullptr);
    }
    expectAudible(renderChord(path, {48}), "Nekobi single note");
}

}  // namespace
}  // namespace qor

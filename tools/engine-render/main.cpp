// qor-engine-render: plays a Standard MIDI File through the synthesis engine
// alone (no plug-in layer), in the initial program's sound, into a WAV file.
// Handy for hearing and profiling the engine by itself.
//
//   qor-engine-render <input.mid> <output.wav> [sample-rate]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/ParameterIndex.h"
#include "tools/render/MidiFile.h"
#include "tools/render/WavWriter.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: qor-engine-render <input.mid> <output.wav> [sample-rate]\n");
        return 2;
    }
    const int rate = argc > 3 ? std::atoi(argv[3]) : 44100;
    if (rate < 8000 || rate > 384000) {
        std::fprintf(stderr, "qor-engine-render: sample rate %s is out of range\n", argv[3]);
        return 1;
    }
    std::string error;
    const auto song = qor::loadMidiFile(argv[1], error);
    if (!song) {
        std::fprintf(stderr, "qor-engine-render: %s: %s\n", argv[1], error.c_str());
        return 1;
    }

    qor::Engine engine;
    engine.Reset(rate);
    engine.SetParameterValue(qor::kRange, 1);  // 8': keys sound where they are played
    engine.SetParameterValue(qor::kChorus, 1);
    engine.SetParameterValue(qor::kCutoff, 78);  // brighter than the initial program's 50
    engine.SetParameterValue(qor::kVcaRelease, 14);

    qor::WavWriter wav;
    if (!wav.open(argv[2], rate, qor::SampleFormat::Pcm24, error)) {
        std::fprintf(stderr, "qor-engine-render: %s\n", error.c_str());
        return 1;
    }

    constexpr int kBlock = 512;
    const int64_t total = static_cast<int64_t>((song->lengthSeconds + 3.0) * rate);
    std::vector<double> left(kBlock), right(kBlock);
    std::vector<float> fl(kBlock), fr(kBlock);
    size_t next = 0;
    for (int64_t start = 0; start < total; start += kBlock) {
        const int n = static_cast<int>(std::min<int64_t>(kBlock, total - start));
        for (; next < song->events.size(); ++next) {
            const qor::MidiEvent& ev = song->events[next];
            const int64_t frame = ev.frameAt(rate);
            if (frame >= start + n) break;
            if (ev.isSysEx() || ev.shortSize < 2) continue;
            qor::QueuedMidiEvent q;
            q.offset = static_cast<int32_t>(std::max<int64_t>(0, frame - start));
            q.status = ev.shortMessage[0];
            q.data1 = ev.shortMessage[1];
            q.data2 = ev.shortSize > 2 ? ev.shortMessage[2] : 0;
            if ((q.status & 0xF0) == 0xB0 && (q.data1 == 120 || q.data1 == 123)) {
                engine.AllNotesOff();
                continue;
            }
            engine.Queue().Add(q);
        }
        engine.ProcessBlock(left.data(), right.data(), n, {});
        std::copy(left.begin(), left.begin() + n, fl.begin());
        std::copy(right.begin(), right.begin() + n, fr.begin());
        if (!wav.write({fl.data(), static_cast<size_t>(n)}, {fr.data(), static_cast<size_t>(n)}, error)) {
            std::fprintf(stderr, "qor-engine-render: %s\n", error.c_str());
            return 1;
        }
    }
    if (!wav.finish(error)) {
        std::fprintf(stderr, "qor-engine-render: %s\n", error.c_str());
        return 1;
    }
    std::printf("qor-engine-render: %s, %.1f s at %d Hz\n", argv[2], static_cast<double>(total) / rate, rate);
    return 0;
}

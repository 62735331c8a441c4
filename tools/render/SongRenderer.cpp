#include "tools/render/SongRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qor {

double toDecibels(double level) { return level > 0.0 ? 20.0 * std::log10(level) : -INFINITY; }

std::optional<RenderSummary> renderSong(VstHost& host, const MidiSong& song, const RenderSettings& settings,
                                        const BlockSink& sink, const ProgressSink& progress, std::string& error,
                                        const std::atomic<bool>* cancel)
{
    if (!host.isLoaded()) {
        error = "no plug-in is loaded";
        return std::nullopt;
    }
    if (settings.sampleRate < 1000.0 || settings.sampleRate > 768000.0 || settings.blockSize < 1 ||
        settings.blockSize > 65536) {
        error = "sample rate or block size out of range";
        return std::nullopt;
    }
    if (host.numOutputs() < 1) {
        error = "the plug-in has no audio outputs";
        return std::nullopt;
    }
    const double tail = settings.tailUntilSilent ? kMaxSilentTail : std::max(settings.tailSeconds, 0.0);
    if (song.lengthSeconds + tail > kMaxRenderSeconds) {
        error = "the song lasts " + std::to_string(static_cast<long long>(song.lengthSeconds)) +
                " s, longer than the " + std::to_string(static_cast<int>(kMaxRenderSeconds / 3600)) + " hour limit";
        return std::nullopt;
    }

    const double rate = settings.sampleRate;
    const int block = settings.blockSize;
    const auto songFrames = static_cast<int64_t>(std::ceil(song.lengthSeconds * rate));
    const auto tailFrames = static_cast<int64_t>(std::ceil(tail * rate));
    const int64_t totalFrames = songFrames + tailFrames;
    const auto silentFramesNeeded = static_cast<int64_t>(kSilentSeconds * rate);
    const bool useDouble = settings.doublePrecision && host.canDoubleReplacing();

    host.configure(rate, block);
    host.start();

    const auto channels = static_cast<size_t>(host.numOutputs());
    std::vector<std::vector<float>> buffers(channels, std::vector<float>(static_cast<size_t>(block)));
    std::vector<std::vector<double>> buffersDouble(useDouble ? channels : 0,
                                                   std::vector<double>(static_cast<size_t>(block)));
    std::vector<float*> pointers;
    std::vector<double*> pointersDouble;
    for (auto& b : buffers) pointers.push_back(b.data());
    for (auto& b : buffersDouble) pointersDouble.push_back(b.data());

    RenderSummary summary;
    double sumSquares = 0.0;
    int64_t silentFrames = 0;
    size_t next = 0;
    bool ok = true;
    int64_t pos = 0;
    while (pos < totalFrames) {
        if (cancel != nullptr && cancel->load()) {
            error = "interrupted";
            ok = false;
            break;
        }
        const int frames = static_cast<int>(std::min<int64_t>(block, totalFrames - pos));
        while (next < song.events.size()) {
            const MidiEvent& ev = song.events[next];
            const int64_t frame = ev.frameAt(rate);
            if (frame >= pos + frames) break;
            // An event that rounds before the block start is due now.
            const int delta = static_cast<int>(std::max<int64_t>(frame - pos, 0));
            if (ev.isSysEx()) {
                host.queueSysEx(delta, ev.bytes());
            } else {
                host.queueMidi(delta, ev.bytes());
            }
            ++next;
        }
        const MusicalPosition where = song.tempoMap.positionAt(static_cast<double>(pos) / rate);
        HostTransport transport;
        transport.ppqPos = where.quarters;
        transport.tempo = where.tempo;
        transport.barStartPos = where.barStartQuarters;
        transport.numerator = where.numerator;
        transport.denominator = where.denominator;
        transport.playing = true;
        host.setTransport(transport);

        if (useDouble) {
            host.processDouble(pointersDouble, frames);
            for (size_t c = 0; c < channels; ++c) {
                for (int i = 0; i < frames; ++i) buffers[c][static_cast<size_t>(i)] = static_cast<float>(buffersDouble[c][static_cast<size_t>(i)]);
            }
        } else {
            host.process(pointers, frames);
        }

        // A mono plug-in plays in both channels; beyond two, the rest are dropped.
        const std::span<const float> left(buffers[0].data(), static_cast<size_t>(frames));
        const std::span<const float> right(buffers[channels > 1 ? 1 : 0].data(), static_cast<size_t>(frames));
        double blockPeak = 0.0;
        for (int i = 0; i < frames; ++i) {
            for (float s : {left[static_cast<size_t>(i)], right[static_cast<size_t>(i)]}) {
                if (!std::isfinite(s)) {
                    summary.nonFinite = true;
                    continue;
                }
                blockPeak = std::max(blockPeak, static_cast<double>(std::fabs(s)));
                sumSquares += static_cast<double>(s) * s;
            }
        }
        summary.peak = std::max(summary.peak, blockPeak);
        if (!sink(left, right, error)) {
            ok = false;
            break;
        }
        pos += frames;
        if (progress) progress(static_cast<double>(pos) / static_cast<double>(totalFrames));

        if (settings.tailUntilSilent && pos > songFrames) {
            silentFrames = blockPeak < kSilenceThreshold ? silentFrames + frames : 0;
            if (silentFrames >= silentFramesNeeded) break;
        }
    }
    host.stop();
    if (!ok) return std::nullopt;

    summary.frames = pos;
    summary.seconds = static_cast<double>(pos) / rate;
    summary.rms = pos > 0 ? std::sqrt(sumSquares / (2.0 * static_cast<double>(pos))) : 0.0;
    return summary;
}

}  // namespace qor

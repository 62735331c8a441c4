#include "tools/render/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace qor {

namespace {

// A bounds-checked cursor over the file's bytes. Every read reports failure
// instead of stepping past the end.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

    size_t position() const { return pos_; }
    size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    bool byte(uint8_t& out)
    {
        if (atEnd()) return false;
        out = data_[pos_++];
        return true;
    }
    bool peek(uint8_t& out) const
    {
        if (atEnd()) return false;
        out = data_[pos_];
        return true;
    }
    bool bigEndian(int count, uint32_t& out)
    {
        if (remaining() < static_cast<size_t>(count)) return false;
        out = 0;
        for (int i = 0; i < count; ++i) out = (out << 8) | data_[pos_++];
        return true;
    }
    // Variable-length quantity: at most four bytes, 28 bits.
    bool varLength(uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = 0;
            if (!byte(b)) return false;
            out = (out << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }
    bool bytes(size_t count, std::span<const uint8_t>& out)
    {
        if (remaining() < count) return false;
        out = data_.subspan(pos_, count);
        pos_ += count;
        return true;
    }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
};

std::string hexByte(uint8_t b)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[b >> 4] + kDigits[b & 15];
}

int dataBytesFor(uint8_t status)
{
    const int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

struct TrackResult {
    std::vector<MidiEvent> events;
    std::vector<TempoChange> tempos;
    std::vector<TimeSignatureChange> signatures;
    uint64_t endTick = 0;
};

// Reads one track chunk's events. Running status survives meta and SysEx
// events, as lenient readers allow; a data byte with no status is an error.
bool readTrack(std::span<const uint8_t> chunk, int track, size_t& eventCount, TrackResult& out, std::string& error)
{
    ByteReader in(chunk);
    uint64_t tick = 0;
    uint8_t running = 0;
    // A SysEx message split over F0 and F7 packets, gathered until it ends.
    std::optional<MidiEvent> pendingSysEx;
    auto fail = [&](const std::string& what) {
        error = "track " + std::to_string(track + 1) + ": " + what + " at byte " + std::to_string(in.position()) +
                " of the track";
        return false;
    };
    auto push = [&](MidiEvent&& ev) {
        if (eventCount >= kMaxMidiEvents) {
            error = "more than " + std::to_string(kMaxMidiEvents) + " events";
            return false;
        }
        ++eventCount;
        out.events.push_back(std::move(ev));
        return true;
    };
    auto flushSysEx = [&] {
        bool ok = true;
        if (pendingSysEx) ok = push(std::move(*pendingSysEx));
        pendingSysEx.reset();
        return ok;
    };

    while (!in.atEnd()) {
        uint32_t delta = 0;
        if (!in.varLength(delta)) return fail("bad or truncated delta time");
        tick += delta;

        uint8_t status = 0;
        if (!in.peek(status)) return fail("track ends after a delta time");
        if (status & 0x80) {
            in.byte(status);
        } else if (running != 0) {
            status = running;
        } else {
            return fail("data byte without a status byte");
        }

        if (status < 0xF0) {
            if (!flushSysEx()) return false;
            running = status;
            MidiEvent ev;
            ev.tick = tick;
            ev.track = track;
            ev.shortMessage[0] = status;
            ev.shortSize = static_cast<uint8_t>(1 + dataBytesFor(status));
            for (int i = 1; i < ev.shortSize; ++i) {
                if (!in.byte(ev.shortMessage[i])) return fail("truncated channel message");
                if (ev.shortMessage[i] & 0x80) return fail("status byte inside a channel message");
            }
            if (!push(std::move(ev))) return false;
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            std::span<const uint8_t> payload;
            if (!in.varLength(length)) return fail("bad or truncated SysEx length");
            if (!in.bytes(length, payload)) return fail("SysEx length beyond the end of the track");
            if (status == 0xF0) {
                if (!flushSysEx()) return false;
                MidiEvent ev;
                ev.tick = tick;
                ev.track = track;
                ev.sysex.reserve(payload.size() + 1);
                ev.sysex.push_back(0xF0);
                ev.sysex.insert(ev.sysex.end(), payload.begin(), payload.end());
                pendingSysEx = std::move(ev);
            } else if (pendingSysEx) {
                // A continuation packet; the message keeps the time it began at.
                pendingSysEx->sysex.insert(pendingSysEx->sysex.end(), payload.begin(), payload.end());
            } else if (!payload.empty()) {
                // An escape: bytes sent as they are, typically a whole message;
                // a short one goes out as such, anything else but SysEx is dropped.
                MidiEvent ev;
                ev.tick = tick;
                ev.track = track;
                if (payload[0] == 0xF0) {
                    ev.sysex.assign(payload.begin(), payload.end());
                    pendingSysEx = std::move(ev);
                } else if (payload.size() <= 3 && (payload[0] & 0x80)) {
                    std::copy(payload.begin(), payload.end(), ev.shortMessage.begin());
                    ev.shortSize = static_cast<uint8_t>(payload.size());
                    if (!push(std::move(ev))) return false;
                }
            }
            if (pendingSysEx && pendingSysEx->sysex.size() > 1 && pendingSysEx->sysex.back() == 0xF7) {
                if (!flushSysEx()) return false;
            }
        } else if (status == 0xFF) {
            if (!flushSysEx()) return false;
            uint8_t type = 0;
            uint32_t length = 0;
            std::span<const uint8_t> payload;
            if (!in.byte(type)) return fail("truncated meta event");
            if (!in.varLength(length)) return fail("bad or truncated meta event length");
            if (!in.bytes(length, payload)) return fail("meta event length beyond the end of the track");
            if (type == 0x51 && payload.size() == 3) {
                const uint32_t micros = (uint32_t{payload[0]} << 16) | (uint32_t{payload[1]} << 8) | payload[2];
                if (micros == 0) return fail("tempo of zero");
                out.tempos.push_back({tick, micros});
            } else if (type == 0x58 && payload.size() == 4) {
                // The denominator is stored as a power of two; beyond 1/64 is nonsense.
                if (payload[0] > 0 && payload[1] <= 6) out.signatures.push_back({tick, payload[0], 1 << payload[1]});
            } else if (type == 0x2F) {
                break;  // end of track; anything after it in the chunk is ignored
            }
        } else {
            return fail("unexpected status byte " + hexByte(status));
        }
    }
    if (!flushSysEx()) return false;
    out.endTick = tick;
    return true;
}

}  // namespace

int64_t MidiEvent::frameAt(double sampleRate) const
{
    return static_cast<int64_t>(std::floor(seconds * sampleRate + 0.5));
}

std::optional<MidiSong> parseMidiFile(std::span<const uint8_t> data, std::string& error)
{
    if (data.size() > kMaxMidiFileBytes) {
        error = "MIDI file is larger than " + std::to_string(kMaxMidiFileBytes >> 20) + " MiB";
        return std::nullopt;
    }
    ByteReader in(data);
    uint32_t id = 0;
    uint32_t headerLength = 0;
    if (!in.bigEndian(4, id) || id != 0x4D546864 || !in.bigEndian(4, headerLength)) {
        error = "not a Standard MIDI File (no MThd header)";
        return std::nullopt;
    }
    uint32_t format = 0;
    uint32_t trackCount = 0;
    uint32_t division = 0;
    std::span<const uint8_t> header;
    if (headerLength < 6 || !in.bytes(headerLength, header)) {
        error = "corrupt MIDI file: truncated header";
        return std::nullopt;
    }
    ByteReader hin(header);
    hin.bigEndian(2, format);
    hin.bigEndian(2, trackCount);
    hin.bigEndian(2, division);
    if (format > 1) {
        error = format == 2 ? "MIDI file format 2 (independent sequences) is not supported"
                            : "corrupt MIDI file: unknown format " + std::to_string(format);
        return std::nullopt;
    }
    if (trackCount == 0) {
        error = "MIDI file has no tracks";
        return std::nullopt;
    }
    if (division == 0) {
        error = "corrupt MIDI file: division is zero";
        return std::nullopt;
    }

    MidiSong song;
    song.format = static_cast<int>(format);
    song.trackCount = static_cast<int>(trackCount);
    song.division = (division & 0x8000) ? static_cast<int16_t>(division) : static_cast<int>(division);
    double ticksPerSecond = 0.0;
    if (division & 0x8000) {
        // SMPTE: frames per second as a negative byte, then ticks per frame.
        const int fps = -static_cast<int8_t>(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || ticksPerFrame == 0) {
            error = "corrupt MIDI file: bad SMPTE division";
            return std::nullopt;
        }
        ticksPerSecond = (fps == 29 ? 30000.0 / 1001.0 : fps) * ticksPerFrame;
    }

    std::vector<TempoChange> tempos;
    std::vector<TimeSignatureChange> signatures;
    uint64_t endTick = 0;
    size_t eventCount = 0;
    int tracksRead = 0;
    while (tracksRead < song.trackCount) {
        uint32_t chunkId = 0;
        uint32_t chunkLength = 0;
        std::span<const uint8_t> chunk;
        if (!in.bigEndian(4, chunkId) || !in.bigEndian(4, chunkLength) || !in.bytes(chunkLength, chunk)) {
            error = "corrupt MIDI file: file ends inside track " + std::to_string(tracksRead + 1) + " of " +
                    std::to_string(song.trackCount);
            return std::nullopt;
        }
        if (chunkId != 0x4D54726B) continue;  // unknown chunk types are skipped
        TrackResult track;
        std::string trackError;
        if (!readTrack(chunk, tracksRead, eventCount, track, trackError)) {
            error = "corrupt MIDI file: " + trackError;
            return std::nullopt;
        }
        song.events.insert(song.events.end(), std::make_move_iterator(track.events.begin()),
                           std::make_move_iterator(track.events.end()));
        tempos.insert(tempos.end(), track.tempos.begin(), track.tempos.end());
        signatures.insert(signatures.end(), track.signatures.begin(), track.signatures.end());
        endTick = std::max(endTick, track.endTick);
        ++tracksRead;
    }

    // Tracks were appended in order, so a stable sort keeps equal ticks in
    // track order and, within a track, in file order.
    std::stable_sort(song.events.begin(), song.events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    song.tempoMap = ticksPerSecond > 0.0
                        ? TempoMap::smpte(ticksPerSecond, std::move(tempos), std::move(signatures))
                        : TempoMap::metrical(song.division, std::move(tempos), std::move(signatures));
    for (MidiEvent& ev : song.events) ev.seconds = song.tempoMap.secondsAt(ev.tick);
    song.lengthSeconds = song.tempoMap.secondsAt(endTick);
    return song;
}

std::optional<MidiSong> loadMidiFile(const std::string& path, std::string& error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "cannot read MIDI file " + path + ": it is a folder";
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open MIDI file " + path;
        return std::nullopt;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0) {
        error = "cannot read MIDI file " + path;
        return std::nullopt;
    }
    if (static_cast<uint64_t>(size) > kMaxMidiFileBytes) {
        error = "MIDI file " + path + " is larger than " + std::to_string(kMaxMidiFileBytes >> 20) + " MiB";
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    file.seekg(0, std::ios::beg);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read MIDI file " + path;
        return std::nullopt;
    }
    auto song = parseMidiFile(bytes, error);
    if (!song) error = path + ": " + error;
    return song;
}

}  // namespace qor

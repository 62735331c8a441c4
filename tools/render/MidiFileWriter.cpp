#include "tools/render/MidiFileWriter.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qor {

namespace {

void putVarLength(std::vector<uint8_t>& out, uint32_t value)
{
    std::array<uint8_t, 4> groups{};
    int n = 0;
    do {
        groups[static_cast<size_t>(n++)] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && n < 4);
    while (n-- > 0) out.push_back(static_cast<uint8_t>(groups[static_cast<size_t>(n)] | (n > 0 ? 0x80 : 0)));
}

void putBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint8_t data7(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 127)); }

}  // namespace

void MidiTrackWriter::event(uint32_t tick, std::span<const uint8_t> bytes)
{
    if (bytes.empty()) return;
    int rank = 2;
    if (bytes[0] == 0xFF) rank = 0;
    const int kind = bytes[0] & 0xF0;
    if (kind == 0x80 || (kind == 0x90 && bytes.size() > 2 && bytes[2] == 0)) rank = 1;
    entries_.push_back({tick, rank, std::vector<uint8_t>(bytes.begin(), bytes.end())});
}

void MidiTrackWriter::event(uint32_t tick, std::initializer_list<uint8_t> bytes)
{
    event(tick, std::span<const uint8_t>(bytes.begin(), bytes.size()));
}

void MidiTrackWriter::note(uint32_t tick, uint32_t length, int channel, int key, int velocity)
{
    const auto ch = static_cast<uint8_t>(channel & 15);
    event(tick, {static_cast<uint8_t>(0x90 | ch), data7(key), data7(std::max(velocity, 1))});
    event(tick + length, {static_cast<uint8_t>(0x80 | ch), data7(key), 64});
}

void MidiTrackWriter::controller(uint32_t tick, int channel, int number, int value)
{
    event(tick, {static_cast<uint8_t>(0xB0 | (channel & 15)), data7(number), data7(value)});
}

void MidiTrackWriter::programChange(uint32_t tick, int channel, int program)
{
    event(tick, {static_cast<uint8_t>(0xC0 | (channel & 15)), data7(program)});
}

void MidiTrackWriter::pitchBend(uint32_t tick, int channel, int value)
{
    const int raw = std::clamp(value, -8192, 8191) + 8192;
    event(tick, {static_cast<uint8_t>(0xE0 | (channel & 15)), static_cast<uint8_t>(raw & 0x7F),
                 static_cast<uint8_t>(raw >> 7)});
}

void MidiTrackWriter::tempo(uint32_t tick, double beatsPerMinute)
{
    const auto micros = static_cast<uint32_t>(std::lround(60e6 / beatsPerMinute));
    event(tick, {0xFF, 0x51, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                 static_cast<uint8_t>(micros)});
}

void MidiTrackWriter::timeSignature(uint32_t tick, int numerator, int denominator)
{
    uint8_t power = 0;
    while ((1 << power) < denominator && power < 6) ++power;
    // 24 MIDI clocks per metronome click, 8 thirty-seconds per quarter.
    event(tick, {0xFF, 0x58, data7(numerator), power, 24, 8});
}

void MidiTrackWriter::name(std::string_view text)
{
    std::vector<uint8_t> bytes{0xFF, 0x03};
    bytes.insert(bytes.end(), text.begin(), text.end());
    event(0, bytes);
}

std::vector<uint8_t> MidiTrackWriter::chunk() const
{
    std::vector<const Entry*> order;
    for (const Entry& e : entries_) order.push_back(&e);
    std::stable_sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) {
        return a->tick != b->tick ? a->tick < b->tick : a->rank < b->rank;
    });

    std::vector<uint8_t> body;
    uint32_t last = 0;
    for (const Entry* e : order) {
        putVarLength(body, e->tick - last);
        last = e->tick;
        const std::vector<uint8_t>& b = e->bytes;
        if (b[0] == 0xFF && b.size() >= 2) {
            body.push_back(0xFF);
            body.push_back(b[1]);
            putVarLength(body, static_cast<uint32_t>(b.size() - 2));
            body.insert(body.end(), b.begin() + 2, b.end());
        } else if (b[0] == 0xF0) {
            body.push_back(0xF0);
            putVarLength(body, static_cast<uint32_t>(b.size() - 1));
            body.insert(body.end(), b.begin() + 1, b.end());
        } else {
            body.insert(body.end(), b.begin(), b.end());
        }
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});

    std::vector<uint8_t> out{'M', 'T', 'r', 'k'};
    putBigEndian(out, static_cast<uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> midiFileBytes(int format, int ticksPerQuarter, std::span<const MidiTrackWriter> tracks)
{
    std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    putBigEndian(out, static_cast<uint32_t>(format), 2);
    putBigEndian(out, static_cast<uint32_t>(tracks.size()), 2);
    putBigEndian(out, static_cast<uint32_t>(ticksPerQuarter), 2);
    for (const MidiTrackWriter& track : tracks) {
        const std::vector<uint8_t> chunk = track.chunk();
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

}  // namespace qor

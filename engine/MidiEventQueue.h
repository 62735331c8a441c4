// Time-stamped queue of short MIDI messages between the MIDI input and the
// engine. Kept sorted by sample offset, stable for equal offsets. The engine
// drains it at control ticks: a message is acted on at the first tick at which
// its remaining offset is below the control period, and every tick moves the
// remaining offsets one control period closer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qor {

struct QueuedMidiEvent {
    int32_t offset = 0;  // sample frames from the start of the block it arrived in
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

class MidiEventQueue {
public:
    static constexpr int kInitialEntries = 1024;

    MidiEventQueue() { Resize(kInitialEntries); }

    // Not on the audio thread in normal use: grows only when more messages
    // arrive between two blocks than the queue holds. A message that does not
    // fit when the array cannot grow is dropped.
    void Add(const QueuedMidiEvent& event);

    // Sets the growth step to whole 4096-byte pages holding at least `entries`.
    void Resize(int entries);

    void Clear() { readPos_ = count_ = 0; }

    bool Empty() const { return readPos_ == count_; }
    int Size() const { return count_ - readPos_; }
    int Capacity() const { return static_cast<int>(events_.size()); }
    const QueuedMidiEvent& Front() const { return events_[static_cast<size_t>(readPos_)]; }
    const QueuedMidiEvent& At(int i) const { return events_[static_cast<size_t>(readPos_ + i)]; }
    void PopFront() { ++readPos_; }

    // After a tick's dispatch: the remaining messages come one period closer.
    void Advance(int controlPeriod);

private:
    void Compact();

    std::vector<QueuedMidiEvent> events_;
    int growthStep_ = kInitialEntries;
    int readPos_ = 0;
    int count_ = 0;
};

}  // namespace qor

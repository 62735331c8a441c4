// The plug-in's MIDI output waiting for the host. Hosts take outgoing events
// (audioMasterProcessEvents) only from inside the process call, so whatever
// the plug-in sends, from whichever thread (the host's event call, the
// editor, the SysEx worker), is queued here and handed to the host as one
// event list at the end of the next process call, in the order it was sent.
//
// Bounded and allocated once: at most kMaxEvents events and kMaxSysExBytes
// bytes of SysEx wait at a time; adding to a full queue fails and changes
// nothing (nothing waiting is overwritten). While the host does not process
// (suspended), nothing is sent: messages wait, as far as they fit, and go out
// with the first block after it resumes.
//
// Not thread-safe by itself: the plug-in keeps it under its main lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/IMidiMessage.h"
#include "framework/VstAbi.h"

namespace qor {

class MidiOutQueue {
public:
    static constexpr int kMaxEvents = 512;
    // Eighteen bank dumps of the instrument.
    static constexpr std::size_t kMaxSysExBytes = std::size_t{64} << 10;

    MidiOutQueue();
    MidiOutQueue(const MidiOutQueue&) = delete;
    MidiOutQueue& operator=(const MidiOutQueue&) = delete;

    // False, and nothing queued, when the queue is full.
    bool Add(const IMidiMessage& message);
    // The bytes are copied. False, and nothing queued, when the queue is full
    // or the message does not fit into what is left.
    bool Add(const ISysExMessage& message);

    bool Empty() const { return mList.numEvents == 0; }
    int Size() const { return mList.numEvents; }
    // The waiting events as the host's list, in order; valid until Clear.
    vst::VstEvents* Events() { return reinterpret_cast<vst::VstEvents*>(&mList); }
    void Clear();

private:
    // Laid out as VstEvents, with room for every event.
    struct List {
        int32_t numEvents = 0;
        intptr_t reserved = 0;
        vst::VstEvent* events[kMaxEvents] = {};
    };

    List mList;
    std::vector<vst::VstMidiEvent> mMidi;
    std::vector<vst::VstMidiSysexEvent> mSysEx;
    std::vector<uint8_t> mBytes;
    int mMidiCount = 0;
    int mSysExCount = 0;
    std::size_t mBytesUsed = 0;
};

}  // namespace qor

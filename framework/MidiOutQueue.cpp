#include "framework/MidiOutQueue.h"

#include <cstddef>
#include <cstring>

namespace qor {

MidiOutQueue::MidiOutQueue()
    : mMidi(static_cast<std::size_t>(kMaxEvents)),
      mSysEx(static_cast<std::size_t>(kMaxEvents)),
      mBytes(kMaxSysExBytes)
{
    static_assert(offsetof(List, numEvents) == offsetof(vst::VstEvents, numEvents) &&
                  offsetof(List, events) == offsetof(vst::VstEvents, events));
}

bool MidiOutQueue::Add(const IMidiMessage& message)
{
    if (mList.numEvents >= kMaxEvents) return false;
    vst::VstMidiEvent& event = mMidi[static_cast<std::size_t>(mMidiCount++)];
    event = {};
    event.type = vst::kVstMidiType;
    event.byteSize = sizeof(vst::VstMidiEvent);
    event.deltaFrames = message.offset;
    event.midiData[0] = static_cast<char>(message.status);
    event.midiData[1] = static_cast<char>(message.data1);
    event.midiData[2] = static_cast<char>(message.data2);
    mList.events[mList.numEvents++] = reinterpret_cast<vst::VstEvent*>(&event);
    return true;
}

bool MidiOutQueue::Add(const ISysExMessage& message)
{
    if (message.size < 0 || (!message.data && message.size > 0)) return false;
    const auto size = static_cast<std::size_t>(message.size);
    if (mList.numEvents >= kMaxEvents || size > mBytes.size() - mBytesUsed) return false;
    uint8_t* bytes = mBytes.data() + mBytesUsed;
    if (size > 0) std::memcpy(bytes, message.data, size);
    mBytesUsed += size;
    vst::VstMidiSysexEvent& event = mSysEx[static_cast<std::size_t>(mSysExCount++)];
    event = {};
    event.type = vst::kVstSysExType;
    event.byteSize = sizeof(vst::VstMidiSysexEvent);
    event.deltaFrames = message.offset;
    event.dumpBytes = message.size;
    event.sysexDump = reinterpret_cast<char*>(bytes);
    mList.events[mList.numEvents++] = reinterpret_cast<vst::VstEvent*>(&event);
    return true;
}

void MidiOutQueue::Clear()
{
    mList.numEvents = 0;
    mMidiCount = 0;
    mSysExCount = 0;
    mBytesUsed = 0;
}

}  // namespace qor

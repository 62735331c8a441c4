#include "engine/MidiEventQueue.h"

#include <algorithm>
#include <new>

namespace qor {

namespace {

constexpr int kEntriesPerPage = 4096 / static_cast<int>(sizeof(QueuedMidiEvent));
static_assert(sizeof(QueuedMidiEvent) == 8);

int roundUpToPages(int entries)
{
    if (entries < 1) entries = 1;
    return (entries + kEntriesPerPage - 1) / kEntriesPerPage * kEntriesPerPage;
}

}  // namespace

void MidiEventQueue::Compact()
{
    if (readPos_ == 0) return;
    std::copy(events_.begin() + readPos_, events_.begin() + count_, events_.begin());
    count_ -= readPos_;
    readPos_ = 0;
}

void MidiEventQueue::Add(const QueuedMidiEvent& event)
{
    if (count_ == Capacity()) {
        if (readPos_ > 0) {
            Compact();
        } else {
            try {
                events_.resize(events_.size() + static_cast<size_t>(growthStep_));
            } catch (const std::bad_alloc&) {
                return;
            }
        }
    }
    if (!Empty() && event.offset < events_[static_cast<size_t>(count_ - 1)].offset) {
        // Insert after the last unread message whose offset is not later.
        int pos = count_;
        while (pos > readPos_ && events_[static_cast<size_t>(pos - 1)].offset > event.offset) --pos;
        std::copy_backward(events_.begin() + pos, events_.begin() + count_, events_.begin() + count_ + 1);
        events_[static_cast<size_t>(pos)] = event;
    } else {
        events_[static_cast<size_t>(count_)] = event;
    }
    ++count_;
}

void MidiEventQueue::Resize(int entries)
{
    Compact();
    growthStep_ = roundUpToPages(entries);
    const size_t size = static_cast<size_t>(std::max(growthStep_, roundUpToPages(count_)));
    try {
        events_.resize(size);
        events_.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        // The old array stays.
    }
}

void MidiEventQueue::Advance(int controlPeriod)
{
    if (Empty()) {
        readPos_ = count_ = 0;
        return;
    }
    for (int i = readPos_; i < count_; ++i) events_[static_cast<size_t>(i)].offset -= controlPeriod;
}

}  // namespace qor

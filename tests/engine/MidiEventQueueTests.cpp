#include <gtest/gtest.h>

#include <vector>

#include "engine/MidiEventQueue.h"

namespace qor {
namespace {

QueuedMidiEvent ev(int offset, int data1)
{
    QueuedMidiEvent e;
    e.offset = offset;
    e.status = 0x90;
    e.data1 = static_cast<uint8_t>(data1);
    return e;
}

std::vector<int> order(const MidiEventQueue& q)
{
    std::vector<int> v;
    for (int i = 0; i < q.Size(); ++i) v.push_back(q.At(i).data1);
    return v;
}

TEST(MidiEventQueue, KeepsOffsetOrderAndArrivalOrderForEqualOffsets)
{
    MidiEventQueue q;
    q.Add(ev(10, 1));
    q.Add(ev(30, 2));
    q.Add(ev(10, 3));  // after the other 10
    q.Add(ev(0, 4));   // to the front
    q.Add(ev(30, 5));
    q.Add(ev(20, 6));
    EXPECT_EQ(order(q), (std::vector<int>{4, 1, 3, 6, 2, 5}));
}

TEST(MidiEventQueue, InsertionNeverMovesBeforeTheReadPosition)
{
    MidiEventQueue q;
    q.Add(ev(5, 1));
    q.Add(ev(50, 2));
    q.PopFront();  // 1 consumed
    q.Add(ev(0, 3));
    EXPECT_EQ(order(q), (std::vector<int>{3, 2}));
}

TEST(MidiEventQueue, AdvanceMovesRemainingOffsetsByOnePeriod)
{
    MidiEventQueue q;
    q.Add(ev(100, 1));
    q.Add(ev(300, 2));
    q.PopFront();
    q.Advance(132);
    ASSERT_EQ(q.Size(), 1);
    EXPECT_EQ(q.Front().offset, 168);
    q.PopFront();
    q.Advance(132);
    EXPECT_TRUE(q.Empty());
}

TEST(MidiEventQueue, GrowsInPagesAndCompactsBeforeGrowing)
{
    MidiEventQueue q;
    EXPECT_EQ(q.Capacity(), 1024);  // two pages of 512 eight-byte entries
    q.Resize(100);
    EXPECT_EQ(q.Capacity(), 512);
    for (int i = 0; i < 512; ++i) q.Add(ev(i, i & 0x7F));
    EXPECT_EQ(q.Capacity(), 512);
    q.PopFront();
    q.Add(ev(1000, 1));  // full with a consumed head: compacts instead of growing
    EXPECT_EQ(q.Capacity(), 512);
    EXPECT_EQ(q.Size(), 512);
    q.Add(ev(1001, 2));  // full with nothing consumed: grows by one step
    EXPECT_EQ(q.Capacity(), 1024);
    EXPECT_EQ(q.Size(), 513);
    EXPECT_EQ(q.Front().offset, 1);

    // Resize keeps every held entry.
    q.Resize(1);
    EXPECT_EQ(q.Capacity(), 1024);
    EXPECT_EQ(q.Size(), 513);
}

}  // namespace
}  // namespace qor

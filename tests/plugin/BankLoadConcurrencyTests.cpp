// Banks are read off the main lock and land in one step: a bank chunk set by
// the host, a bank file loaded by the editor, blocks being rendered and a
// program arriving by SysEx, all at once, end in a state that one order of
// them would give, never in a mixture. What the plug-in answers reaches the
// host from inside the process call. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/plugin/QorInstance.h"
#include "tests/plugin/SysExTestSupport.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kSysExSlot = 5;
constexpr double kSysExCutoff = 55;

// Every slot named after its bank ("A 17") with that bank's cutoff.
void FillBank(QOR& plug, char bank, double cutoff)
{
    for (int i = 0; i < plug.NPresets(); ++i) {
        plug.RestorePreset(i);
        plug.GetParam(kCutoff)->Set(cutoff + i % 7);
        plug.OnParamChange(kCutoff);
        plug.ModifyCurrentPreset((std::string(1, bank) + " " + std::to_string(i)).c_str());
    }
    plug.RestorePreset(0);
}

Bytes BankChunk(vst::AEffect* effect)
{
    void* data = nullptr;
    const intptr_t size = effect->dispatcher(effect, vst::effGetChunk, 0, 0, &data, 0.0f);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return {bytes, bytes + size};
}

// Which bank a slot came from: 'A', 'B', 'S' for the SysEx program, '?' for
// anything else (a mixture within the slot).
char SourceOf(QOR& plug, int slot)
{
    const std::string name = plug.GetPresetName(slot);
    plug.RestorePreset(slot);
    const double cutoff = plug.GetParam(kCutoff)->Value();
    if (name == "A " + std::to_string(slot) && cutoff == 10 + slot % 7) return 'A';
    if (name == "B " + std::to_string(slot) && cutoff == 90 + slot % 7) return 'B';
    if (slot == kSysExSlot && name == Synth::InitialProgramName(slot) && cutoff == kSysExCutoff) return 'S';
    return '?';
}

TEST(BankLoadConcurrency, ChunkSetFileLoadSysExAndBlocksEndInAWholeState)
{
    QorInstance q;
    q->SetWriteProtect(false);
    vst::AEffect* effect = q->GetEffect();
    effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->dispatcher(effect, vst::effSetBlockSize, 0, 64, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    FillBank(*q, 'B', 90);
    const std::string fileB = q.home.File("b.fxb");
    ASSERT_TRUE(SaveBankFile(*q, fileB));
    FillBank(*q, 'A', 10);
    const Bytes chunkA = BankChunk(effect);

    ParamValues sent = Defaults();
    sent[kCutoff] = kSysExCutoff;
    const auto dump = sysex::ProgramDump(kSysExSlot, sysex::EncodeProgram(sent));
    const auto complete = sysex::Reply(sysex::kWriteComplete);

    for (int round = 0; round < 6; ++round) {
        // Start from the other bank and another program, so that every load changes everything.
        ASSERT_TRUE(LoadBankFile(*q, fileB));
        effect->dispatcher(effect, vst::effSetProgram, 0, 40 + round, nullptr, 0.0f);
        ClearSent(q);

        std::atomic<int> started{0};
        std::atomic<bool> loadsDone{false};
        const auto together = [&] {
            ++started;
            while (started < 3) std::this_thread::yield();
        };
        std::thread host([&] {
            together();
            Bytes copy = chunkA;
            effect->dispatcher(effect, vst::effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data(), 0.0f);
        });
        std::thread editor([&] {
            together();
            LoadBankFile(*q, fileB);
        });
        // The audio thread: the program dump with the first block, then
        // blocks until the loads are over.
        together();
        Bytes bytes(dump.begin(), dump.end());
        vst::VstMidiSysexEvent event{};
        event.type = vst::kVstSysExType;
        event.byteSize = sizeof(event);
        event.dumpBytes = static_cast<int32_t>(bytes.size());
        event.sysexDump = reinterpret_cast<char*>(bytes.data());
        vst::VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<vst::VstEvent*>(&event);
        effect->dispatcher(effect, vst::effProcessEvents, 0, 0, &events, 0.0f);
        std::array<double, 64> left{}, right{};
        std::array<double*, 2> outputs{left.data(), right.data()};
        std::thread stopper([&] {
            host.join();
            editor.join();
            q->FinishReceivedSysEx();
            loadsDone = true;
        });
        while (!loadsDone) effect->processDoubleReplacing(effect, nullptr, outputs.data(), 64);
        stopper.join();

        // The program was answered whatever the order, and never twice.
        EXPECT_EQ(SentSysEx(q), std::vector<Bytes>{Bytes(complete.begin(), complete.end())}) << round;
        // What plays is its slot's program, whole.
        const int current = q->GetCurrentPresetIndex();
        const ParamValues playing = Values(*q);
        q->RestorePreset(current);
        EXPECT_EQ(Values(*q), playing) << round;
        // Every slot but the SysEx program's comes from the bank that landed last.
        const char winner = SourceOf(*q, 0);
        EXPECT_TRUE(winner == 'A' || winner == 'B') << round;
        for (int slot = 1; slot < q->NPresets(); ++slot) {
            const char source = SourceOf(*q, slot);
            if (slot == kSysExSlot)
                EXPECT_TRUE(source == winner || source == 'S') << round << ": " << source;
            else
                ASSERT_EQ(source, winner) << "round " << round << ", slot " << slot;
        }
    }
}

// A slot whose state does not read back as it came (a value out of range)
// is kept as the plug-in writes it, which records the current program. A
// bank read before the program changed lands as one read after it.
TEST(BankLoadConcurrency, ABankReadBeforeAProgramChangeLandsAsOneReadAfterIt)
{
    QorInstance q;
    q->SetWriteProtect(false);
    vst::AEffect* effect = q->GetEffect();
    q->RestorePreset(2);
    q->GetParam(kCutoff)->Set(33);
    q->ModifyCurrentPreset("Out of range");
    q->RestorePreset(0);
    Bytes bank = BankChunk(effect);
    // Slot 2's cutoff, as a double after the tag, index, name and both
    // user-wave blocks: found by its value, made too large for its range.
    IChunk image;
    image.PutBytes(bank);
    PreparedBank probe = q->PreparePresets(image, 8);
    ASSERT_GE(probe.position, 0);
    const IChunk& slot2 = probe.slots[2].state;
    const auto found = std::search(bank.begin(), bank.end(), slot2.Bytes().end() - 8 * (kNumParams - kCutoff),
                                   slot2.Bytes().end() - 8 * (kNumParams - kCutoff - 1));
    ASSERT_NE(found, bank.end());
    const double tooHigh = 1e6;
    std::memcpy(&*found, &tooHigh, sizeof(tooHigh));
    image.Clear();
    image.PutBytes(bank);

    PreparedBank early = q->PreparePresets(image, 8);
    effect->dispatcher(effect, vst::effSetProgram, 0, 61, nullptr, 0.0f);
    ASSERT_GE(q->ApplyPresets(early), 0);
    const Bytes landed = BankChunk(effect);

    QorInstance other;
    other->SetWriteProtect(false);
    vst::AEffect* otherEffect = other->GetEffect();
    otherEffect->dispatcher(otherEffect, vst::effSetProgram, 0, 61, nullptr, 0.0f);
    ASSERT_GE(other->UnserializePresets(image, 8), 0);
    EXPECT_EQ(landed, BankChunk(otherEffect));
    EXPECT_EQ(q->GetCurrentPresetIndex(), 61);
    q->RestorePreset(2);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), q->GetParam(kCutoff)->Max());
}

// A librarian asks for the internal bank, the identity and one program: the
// answers come out of the next process call, in order, in one list, and
// hold what the slots hold.
TEST(OutgoingSysEx, AnswersToRequestsComeWithTheProcessCallInOrder)
{
    QorInstance q;
    q->SetWriteProtect(false);
    FillBank(*q, 'A', 10);
    q->RestorePreset(3);
    q->ChangeParameter(kCutoff, 120, false);  // unsaved: asked-for slots send what they hold
    vst::AEffect* effect = q->GetEffect();
    effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    ClearSent(q);
    const size_t listsBefore = q.host.numEventsSeen.size();

    std::vector<Bytes> requests;
    const auto bank = sysex::BankRequest(0);
    const auto identify = sysex::IdentificationRequest();
    const auto program = sysex::ProgramRequest(7);
    requests.emplace_back(bank.begin(), bank.end());
    requests.emplace_back(identify.begin(), identify.end());
    requests.emplace_back(program.begin(), program.end());
    std::vector<vst::VstMidiSysexEvent> events(requests.size());
    std::vector<vst::VstEvent*> pointers;
    for (size_t i = 0; i < requests.size(); ++i) {
        events[i].type = vst::kVstSysExType;
        events[i].byteSize = sizeof(events[i]);
        events[i].dumpBytes = static_cast<int32_t>(requests[i].size());
        events[i].sysexDump = reinterpret_cast<char*>(requests[i].data());
        pointers.push_back(reinterpret_cast<vst::VstEvent*>(&events[i]));
    }
    Bytes list(sizeof(vst::VstEvents) + pointers.size() * sizeof(vst::VstEvent*));
    auto* eventList = reinterpret_cast<vst::VstEvents*>(list.data());
    eventList->numEvents = static_cast<int32_t>(pointers.size());
    for (size_t i = 0; i < pointers.size(); ++i) eventList->events[i] = pointers[i];
    effect->dispatcher(effect, vst::effProcessEvents, 0, 0, eventList, 0.0f);
    q->FinishReceivedSysEx();
    {
        std::lock_guard<std::mutex> guard(q.host.mutex);
        EXPECT_TRUE(q.host.sent.empty()) << "nothing outside the process call";
    }
    std::array<float, 32> left{}, right{};
    std::array<float*, 2> outputs{left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs.data(), 32);

    std::vector<Bytes> sent;
    {
        std::lock_guard<std::mutex> guard(q.host.mutex);
        ASSERT_EQ(q.host.numEventsSeen.size(), listsBefore + 1);
        EXPECT_EQ(q.host.numEventsSeen.back(), 3);
        for (const SentEvent& e : q.host.sent) sent.push_back(e.bytes);
    }
    ASSERT_EQ(sent.size(), 3u);
    ASSERT_EQ(sent[0].size(), sysex::kBankDumpBytes);
    const auto identity = sysex::IdentificationReply();
    EXPECT_EQ(sent[1], Bytes(identity.begin(), identity.end()));
    ASSERT_EQ(sent[2].size(), sysex::kProgramDumpBytes);

    // Each answer holds the slot as restoring it plays it.
    const std::span<const uint8_t, sysex::kBankDumpBytes> bankDump(sent[0].data(), sysex::kBankDumpBytes);
    for (int slot = 0; slot < 50; ++slot) {
        q->RestorePreset(slot);
        EXPECT_EQ(sysex::ProgramFromBank(bankDump, slot), sysex::EncodeProgram(Values(*q))) << slot;
    }
    q->RestorePreset(7);
    const std::span<const uint8_t, sysex::kProgramDumpBytes> programDump(sent[2].data(), sysex::kProgramDumpBytes);
    EXPECT_EQ(sysex::ProgramFromDump(programDump), sysex::EncodeProgram(Values(*q)));
}

}  // namespace
}  // namespace qor::test

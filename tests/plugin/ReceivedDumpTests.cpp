// Dumps from the host are decoded on the SysEx worker thread and act in one
// step under the main lock, in arrival order, with the hardware's replies;
// loading, initialising or receiving a program sends no parameter changes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "plugin/SysExWorker.h"
#include "programs/WaveSynthesis.h"
#include "tests/plugin/QorInstance.h"
#include "tests/plugin/SysExTestSupport.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Complete()
{
    const auto reply = sysex::Reply(sysex::kWriteComplete);
    return {reply.begin(), reply.end()};
}

template <class Array>
void Append(Bytes& to, const Array& message)
{
    to.insert(to.end(), message.begin(), message.end());
}

std::array<sysex::PackedProgram, sysex::kProgramsPerBank> BankPrograms()
{
    std::array<sysex::PackedProgram, sysex::kProgramsPerBank> programs{};
    for (int i = 0; i < sysex::kProgramsPerBank; ++i) {
        ParamValues v = Defaults();
        v[kCutoff] = i;
        v[kResonance] = i % 32;
        v[kMono] = i & 1;
        programs[static_cast<std::size_t>(i)] = sysex::EncodeProgram(v);
    }
    return programs;
}

ParamValues DumpedProgram()
{
    ParamValues v = Defaults();
    v[kCutoff] = 77;
    v[kLfoShape] = 4;
    v[kKbVcf] = -7;
    v[kOsc2Coarse] = -12;
    return v;
}

sysex::UserWaveEntries WaveEntries()
{
    sysex::UserWaveEntries entries{};
    entries[0] = {1, 31};
    entries[1] = {3, 12};
    return entries;
}

// A bank into the cartridge, a program into slot 12 and the cartridge user
// wave, back to back as one delivery of the host.
Bytes ThreeDumps()
{
    Bytes all;
    Append(all, sysex::BankDump(1, BankPrograms()));
    Append(all, sysex::ProgramDump(12, sysex::EncodeProgram(DumpedProgram())));
    Append(all, sysex::UserWaveDump(101, WaveEntries()));
    return all;
}

void Deliver(QOR& plug, Bytes& bytes)
{
    ISysExMessage message{0, static_cast<int32_t>(bytes.size()), bytes.data()};
    plug.ProcessSysEx(&message);
}

std::vector<std::tuple<int, double, double>> Entries(const HarmonicMap& recipe)
{
    std::vector<std::tuple<int, double, double>> out;
    for (const auto& [harmonic, amplitude] : recipe) out.emplace_back(harmonic, amplitude.cosine, amplitude.sine);
    return out;
}

size_t Automations(TestHost& host)
{
    std::lock_guard<std::mutex> guard(host.mutex);
    return host.automated.size();
}

class ReceivedDumps : public ::testing::Test {
protected:
    ReceivedDumps()
    {
        q->writeProtect = false;
        q->sendParameterSysEx = true;  // a musician's edits would go out
        q->RestorePreset(57);
        ClearSent(q);
    }
    QorInstance q;
};

TEST_F(ReceivedDumps, BankProgramAndUserWaveInOneDeliveryEndAsReceivedOneByOne)
{
    Bytes all = ThreeDumps();
    Deliver(*q, all);
    q->FinishReceivedSysEx();
    const std::vector<Bytes> sent = SentSysEx(q);

    // The same messages from a file, one after the other on this thread.
    QorInstance other;
    other->writeProtect = false;
    other->RestorePreset(57);
    ClearSent(other);
    const Bytes dumps = ThreeDumps();
    const auto programAt = dumps.begin() + sysex::kBankDumpBytes;
    const auto waveAt = programAt + sysex::kProgramDumpBytes;
    for (const Bytes& message : {Bytes(dumps.begin(), programAt), Bytes(programAt, waveAt), Bytes(waveAt, dumps.end())})
        ASSERT_TRUE(Receive(*other, message));

    // Three replies, in order, and no parameter change among them.
    const std::vector<Bytes> replies{Complete(), Complete(), Complete()};
    EXPECT_EQ(sent, replies);
    EXPECT_EQ(SentSysEx(other), replies);
    EXPECT_EQ(Snapshot(*q), Snapshot(*other));
    for (std::size_t m = 0; m < 2; ++m) EXPECT_EQ(Entries(q->recipes[m]), Entries(other->recipes[m])) << m;
    EXPECT_EQ(q->storedTables, other->storedTables);
    EXPECT_EQ(q->infoMessage, kInfoCartridgeUserWaveLoaded);

    // What landed: the program dump plays in slot 12, the bank fills the
    // cartridge, the cartridge user wave has the dump's harmonics.
    EXPECT_EQ(q->GetCurrentPresetIndex(), 12);
    for (int i = 0; i < kNumParams; ++i) {
        if (sysex::PackedByteOf(i) < 0) continue;
        EXPECT_EQ(q->GetParam(i)->Value(), DumpedProgram()[static_cast<size_t>(i)]) << i;
    }
    EXPECT_EQ(std::string(q->GetPresetName(12)), "PROGRAM I13");
    ASSERT_EQ(q->recipes[1].size(), 2u);
    std::array<uint8_t, kUserWaveBytes> want{};
    renderWaveTables(q->recipes[1], std::span<uint8_t, 1024>(want.data(), 1024),
                     std::span<uint8_t, 1024>(want.data() + 1024, 1024));
    EXPECT_EQ(q->storedTables[1], want);
    q->RestorePreset(50 + 33);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 33);
    EXPECT_EQ(q->GetParam(kResonance)->Value(), 1);
    EXPECT_EQ(std::string(q->GetPresetName(83)), "PROGRAM C34");
}

TEST_F(ReceivedDumps, LoadingInitialisingOrReceivingAProgramSendsNoParameterChange)
{
    q->ChangeParameter(kCutoff, 10, false);
    ASSERT_FALSE(SentSysEx(q).empty()) << "a musician's edit goes out";
    ClearSent(q);

    const size_t toldBefore = Automations(q.host);
    q->InitProgram();
    EXPECT_TRUE(SentSysEx(q).empty());
    EXPECT_GE(Automations(q.host) - toldBefore, static_cast<size_t>(kNumParams)) << "the host still hears of every value";
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), paramRanges[kCutoff].defaultValue);

    q->SelectProgram(3);
    Bytes dump;
    Append(dump, sysex::ProgramDump(4, sysex::EncodeProgram(DumpedProgram())));
    Deliver(*q, dump);
    Bytes bank;
    Append(bank, sysex::BankDump(0, BankPrograms()));
    Deliver(*q, bank);
    q->FinishReceivedSysEx();
    EXPECT_EQ(SentSysEx(q), (std::vector<Bytes>{Complete(), Complete()}));
}

TEST_F(ReceivedDumps, MessagesBehindAWaitingDumpKeepTheirOrder)
{
    Bytes all;
    Append(all, sysex::BankDump(1, BankPrograms()));
    Append(all, sysex::IdentificationRequest());
    const auto change = sysex::ParameterChangeMessage(sysex::ParameterChangeNumber(kCutoff), 0x40 | 5);
    Append(all, change);
    q->SelectProgram(60);  // in the cartridge: the bank replaces it
    ClearSent(q);
    Deliver(*q, all);
    q->FinishReceivedSysEx();

    const auto identity = sysex::IdentificationReply();
    EXPECT_EQ(SentSysEx(q), (std::vector<Bytes>{Complete(), Bytes(identity.begin(), identity.end())}));
    // The bank's program 10 plays, then the change moves its cutoff.
    EXPECT_EQ(q->GetCurrentPresetIndex(), 60);
    EXPECT_EQ(q->GetParam(kResonance)->Value(), 10);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), sysex::DecodeParameterChange(sysex::ParameterChangeNumber(kCutoff), change[7], change[8]).fields[0].value);
}

// The thread that delivers a dump (with the main lock held, as the host's
// event call holds it) only hands it over: nothing is written until the
// lock is free, and then all of it at once.
TEST_F(ReceivedDumps, DeliveryUnderTheMainLockOnlyHandsTheDumpOver)
{
    const Snapshot before(*q);
    {
        auto lock = q->LockMain();
        Bytes all = ThreeDumps();
        Deliver(*q, all);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(Snapshot(*q), before);
        EXPECT_TRUE(SentSysEx(q).empty());
    }
    q->FinishReceivedSysEx();
    EXPECT_NE(Snapshot(*q), before);
    EXPECT_EQ(SentSysEx(q).size(), 3u);
}

TEST_F(ReceivedDumps, MemoryProtectionIsCheckedWhenTheDumpActs)
{
    const Snapshot before(*q);
    q->writeProtect = true;
    Bytes all = ThreeDumps();
    Deliver(*q, all);
    q->FinishReceivedSysEx();
    const auto refused = sysex::Reply(sysex::kWriteProtected);
    const Bytes no(refused.begin(), refused.end());
    EXPECT_EQ(SentSysEx(q), (std::vector<Bytes>{no, no, no}));
    EXPECT_EQ(Snapshot(*q), before);
}

TEST(SysExWorker, HandsOverInOrderAndRefusesWhatDoesNotFit)
{
    std::atomic<bool> release{false};
    std::vector<Bytes> handled;
    std::mutex handledMutex;
    {
        SysExWorker worker([&](std::span<const uint8_t> bytes) {
            while (!release) std::this_thread::yield();
            std::lock_guard<std::mutex> guard(handledMutex);
            handled.emplace_back(bytes.begin(), bytes.end());
        });
        // While the first message is held up, the ring fills.
        size_t posted = 0;
        const size_t size = 65536;
        while (worker.Post(Bytes(size, static_cast<uint8_t>(posted)))) ++posted;
        EXPECT_GE(posted, SysExWorker::kRingBytes / (size + 4));
        EXPECT_LE(posted, SysExWorker::kRingBytes / size + 1);
        EXPECT_TRUE(worker.Busy());
        release = true;
        worker.Drain();
        EXPECT_FALSE(worker.Busy());
        // Room again, and wrapping round the ring keeps the bytes whole.
        Bytes odd(1000);
        for (size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<uint8_t>(i * 7);
        for (int k = 0; k < 3000; ++k)
            while (!worker.Post(odd)) std::this_thread::yield();  // three times round the ring
        worker.Drain();
        std::lock_guard<std::mutex> guard(handledMutex);
        ASSERT_EQ(handled.size(), posted + 3000);
        for (size_t i = 0; i < posted; ++i) EXPECT_EQ(handled[i], Bytes(size, static_cast<uint8_t>(i))) << i;
        for (size_t i = posted; i < handled.size(); ++i) ASSERT_EQ(handled[i], odd) << i;
    }
}

}  // namespace
}  // namespace qor::test

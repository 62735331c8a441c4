// Two instances joined through MIDI both ways (two QORs in one project, or
// QOR and the hardware): the SysEx each sends is delivered to the other, as
// a host would route it.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "engine/ParameterIndex.h"
#include "plugin/QOR.h"
#include "programs/SysExCodec.h"
#include "tests/framework/TestPlug.h"
#include "tests/plugin/TestHome.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

// What the instances sent, with the sender; the host callback has no other
// place to put it.
std::deque<std::pair<const vst::AEffect*, Bytes>> gWire;

intptr_t VSTCALL WireCallback(vst::AEffect* effect, int32_t opcode, int32_t, intptr_t, void* ptr, float)
{
    if (opcode != vst::audioMasterProcessEvents || !ptr) return 0;
    const auto* events = static_cast<const vst::VstEvents*>(ptr);
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst::VstEvent* e = events->events[i];
        if (!e || e->type != vst::kVstSysExType) continue;
        const auto* x = reinterpret_cast<const vst::VstMidiSysexEvent*>(e);
        const auto* dump = reinterpret_cast<const uint8_t*>(x->sysexDump);
        gWire.emplace_back(effect, Bytes(dump, dump + x->dumpBytes));
    }
    return 1;
}

class LinkedInstances : public ::testing::Test {
protected:
    LinkedInstances()
    {
        for (auto& plug : plugs) {
            plug = std::make_unique<QOR>(&WireCallback);
            plug->FillEmptyPresets(nullptr, 100);
            plug->writeProtect = false;
            HostProcesses(*plug);
        }
        gWire.clear();
    }
    ~LinkedInstances() override
    {
        for (auto& plug : plugs) plug.reset();
        gWire.clear();
    }

    // Delivers everything on the wire to the other instance until the wire
    // is quiet; returns the messages delivered, in order. Stops after a
    // generous number, as a loop that never ends would not.
    std::vector<std::pair<int, Bytes>> Exchange()
    {
        std::vector<std::pair<int, Bytes>> delivered;
        // What each sends reaches the wire when the host processes it.
        const auto process = [this] {
            for (auto& plug : plugs) HostProcesses(*plug);
        };
        process();
        while (!gWire.empty() && delivered.size() < 64) {
            auto [from, bytes] = std::move(gWire.front());
            gWire.pop_front();
            const int sender = from == plugs[0]->GetEffect() ? 0 : 1;
            delivered.emplace_back(sender, bytes);
            ISysExMessage message{0, static_cast<int32_t>(bytes.size()), bytes.data()};
            plugs[static_cast<std::size_t>(1 - sender)]->ProcessSysEx(&message);
            // Dumps are acted on in the background; the answer comes then.
            plugs[static_cast<std::size_t>(1 - sender)]->FinishReceivedSysEx();
            process();
        }
        return delivered;
    }

    std::array<double, kNumParams> Values(int which) const
    {
        std::array<double, kNumParams> v{};
        for (int i = 0; i < kNumParams; ++i) v[static_cast<std::size_t>(i)] = plugs[static_cast<std::size_t>(which)]->GetParam(i)->Value();
        return v;
    }

    TestHome home;
    std::array<std::unique_ptr<QOR>, 2> plugs;
};

TEST_F(LinkedInstances, EveryParameterChangeArrivesAsSentAndIsNotSentBack)
{
    ASSERT_EQ(Values(0), Values(1));
    for (int from : {0, 1}) {
        QOR& sender = *plugs[static_cast<std::size_t>(from)];
        for (int index = 0; index < kNumParams; ++index) {
            if (sysex::ParameterChangeNumber(index) < 0) continue;
            const ParamRange& range = paramRanges[static_cast<std::size_t>(index)];
            // The hardware numbers only 40 working parameters; 47..49 travel
            // as its parameter 10.
            const double last = index == kWorkingParameter ? 46 : range.max;
            for (double value = range.min; value <= last; ++value) {
                sender.SetParameterFromEditor(index, sender.GetParam(index)->GetNormalized(value));
                const auto delivered = Exchange();
                ASSERT_EQ(delivered.size(), 1u) << "parameter " << index << " = " << value << " from " << from;
                ASSERT_EQ(delivered[0].first, from);
                ASSERT_EQ(Values(1 - from), Values(from)) << "parameter " << index << " = " << value;
            }
        }
    }

    // A program dump (here the answer to a request) is not echoed either:
    // the receiver only answers that it wrote the program.
    plugs[0]->ChangeParameter(kCutoff, 21, false);
    plugs[0]->ModifyCurrentPreset();
    for (auto& plug : plugs) HostProcesses(*plug);
    gWire.clear();
    const auto request = sysex::ProgramRequest(0);
    gWire.emplace_back(plugs[1]->GetEffect(), Bytes(request.begin(), request.end()));
    const auto delivered = Exchange();
    ASSERT_EQ(delivered.size(), 3u);
    EXPECT_EQ(delivered[1].second.size(), sysex::kProgramDumpBytes);
    const auto complete = sysex::Reply(sysex::kWriteComplete);
    EXPECT_EQ(delivered[2].second, Bytes(complete.begin(), complete.end()));
    EXPECT_EQ(plugs[1]->GetParam(kCutoff)->Value(), 21);
}

}  // namespace
}  // namespace qor::test

// A gtest fixture around a QOR in a throw-away home folder, prepared to play
// (sample rate, block size, reset, activated) and driven through the
// recording host, for tests of the MIDI, settings and parameter routes. Make()
// builds a fresh instance over the same home folder, so the same INI file.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "plugin/QOR.h"
#include "tests/framework/TestPlug.h"
#include "tests/plugin/TestHome.h"

namespace qor::test {

class PlugFixture : public ::testing::Test {
protected:
    PlugFixture() { gTestHost = &host; }
    ~PlugFixture() override
    {
        plug.reset();
        gTestHost = nullptr;
    }

    void SetUp() override { Make(); }

    // A new instance over the same home folder (and so the same INI file).
    void Make()
    {
        plug.reset();
        plug = std::make_unique<QOR>(&TestHostCallback);
        plug->FillEmptyPresets(nullptr, 100);  // as the entry point does
        plug->SetSampleRate(44100.0);
        plug->SetBlockSize(kBlock);
        plug->Reset();
        plug->OnActivate(true);
        ClearSent();
    }

    void ClearSent()
    {
        HostProcesses(*plug);
        std::lock_guard<std::mutex> guard(host.mutex);
        host.sent.clear();
        host.automated.clear();
    }

    // The SysEx dumps and the short messages the plug-in sent, in order.
    // What the host has been sent by the end of its next process call.
    std::vector<std::vector<uint8_t>> SentSysEx()
    {
        HostProcesses(*plug);
        std::lock_guard<std::mutex> guard(host.mutex);
        std::vector<std::vector<uint8_t>> out;
        for (const SentEvent& e : host.sent)
            if (e.type == vst::kVstSysExType) out.push_back(e.bytes);
        return out;
    }
    std::vector<std::array<uint8_t, 3>> SentMidi()
    {
        HostProcesses(*plug);
        std::lock_guard<std::mutex> guard(host.mutex);
        std::vector<std::array<uint8_t, 3>> out;
        for (const SentEvent& e : host.sent)
            if (e.type == vst::kVstMidiType) out.push_back({e.bytes[0], e.bytes[1], e.bytes[2]});
        return out;
    }

    void Midi(int status, int data1, int data2, int offset = 0)
    {
        IMidiMessage m;
        m.offset = offset;
        m.status = static_cast<uint8_t>(status);
        m.data1 = static_cast<uint8_t>(data1);
        m.data2 = static_cast<uint8_t>(data2);
        plug->ProcessMidi(&m);
    }
    void SysEx(const std::vector<uint8_t>& bytes)
    {
        ISysExMessage m;
        m.size = static_cast<int32_t>(bytes.size());
        m.data = bytes.data();
        plug->ProcessSysEx(&m);
        plug->FinishReceivedSysEx();  // dumps are acted on in the background
    }

    // Renders one block, which dispatches the queued events.
    void Render(int frames = kBlock)
    {
        std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
        std::array<double*, 2> outputs{left.data(), right.data()};
        plug->ProcessBlock(nullptr, outputs.data(), frames);
    }

    double Value(int index) const { return plug->GetParam(index)->Value(); }

    static constexpr int kBlock = 512;
    TestHome home;
    TestHost host;
    std::unique_ptr<QOR> plug;
};

}  // namespace qor::test

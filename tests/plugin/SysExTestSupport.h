// Helpers for the tests of the SysEx exchange, the factory sets and the
// program files: what the plug-in sent, feeding messages, comparing programs.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <span>
#include <string>
#include <vector>

#include "engine/ParameterIndex.h"
#include "framework/ProgramFiles.h"
#include "plugin/QOR.h"
#include "programs/SysExCodec.h"
#include "tests/framework/TestPlug.h"
#include "tests/plugin/QorInstance.h"

namespace qor::test {

using ParamValues = std::array<double, kNumParams>;

// The SysEx messages the plug-in has sent to the host, in order, once the
// host has processed.
inline std::vector<std::vector<uint8_t>> SentSysEx(QorInstance& q)
{
    HostProcesses(*q);
    TestHost& host = q.host;
    std::lock_guard<std::mutex> guard(host.mutex);
    std::vector<std::vector<uint8_t>> out;
    for (const SentEvent& e : host.sent)
        if (e.type == vst::kVstSysExType) out.push_back(e.bytes);
    return out;
}

inline void ClearSent(QorInstance& q)
{
    HostProcesses(*q);
    TestHost& host = q.host;
    std::lock_guard<std::mutex> guard(host.mutex);
    host.sent.clear();
}

inline bool Receive(QOR& plug, std::span<const uint8_t> message)
{
    std::vector<uint8_t> queue(message.begin(), message.end());
    return plug.ReceiveSysExMessages(queue);
}

inline ParamValues Values(const QOR& plug)
{
    ParamValues v{};
    for (int i = 0; i < kNumParams; ++i) v[static_cast<std::size_t>(i)] = plug.GetParam(i)->Value();
    return v;
}

inline ParamValues Defaults()
{
    ParamValues v{};
    for (int i = 0; i < kNumParams; ++i) v[static_cast<std::size_t>(i)] = paramRanges[static_cast<std::size_t>(i)].defaultValue;
    return v;
}

// A slot's program: its state without the program index and name that lead
// it (the writer records the program current at the time; readers skip them).
inline std::vector<uint8_t> SlotProgram(QOR& plug, int slot)
{
    const IChunk& state = plug.GetPresetSlot(slot)->state;
    int32_t nameLength = 0;
    if (state.Size() < 17 || state.GetInt32(nameLength, 13) < 0 || nameLength < 0 || 17 + nameLength > state.Size())
        return {state.Bytes().begin(), state.Bytes().end()};
    return {state.Bytes().begin() + 17 + nameLength, state.Bytes().end()};
}

// Every slot's name, state and the live values: what "nothing changed" means.
struct Snapshot {
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> states;
    ParamValues live{};
    int current = 0;

    explicit Snapshot(QOR& plug) : live(Values(plug)), current(plug.GetCurrentPresetIndex())
    {
        for (int i = 0; i < plug.NPresets(); ++i) {
            names.emplace_back(plug.GetPresetName(i));
            states.push_back(SlotProgram(plug, i));
        }
    }
    bool operator==(const Snapshot&) const = default;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    return ReadWholeFile(path, kMaxProgramFileBytes).value_or(std::vector<uint8_t>{});
}

inline void WriteBytes(const std::string& path, std::span<const uint8_t> bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace qor::test

// What the probe plug-in saw of its host, read back by the host tests
// through the plug-in's exported qor_probe_report().
#pragma once

#include "framework/VstAbi.h"

#include <cstdint>

namespace qor {

struct ProbeReport {
    // Asked from inside the entry call, before the host knows the record.
    intptr_t versionInEntry = 0;
    char vendorInEntry[64] = {};
    intptr_t canDoSendEvents = 0;
    intptr_t canDoBogus = 0;
    // Opcode order as seen by the dispatcher (the first 32 calls).
    int32_t opcodes[32] = {};
    int opcodeCount = 0;
    float sampleRate = 0.0f;
    intptr_t blockSize = 0;
    intptr_t hostSampleRate = 0;
    intptr_t hostBlockSize = 0;
    intptr_t processLevel = 0;
    // Events: every record checked for type, size and a time inside its block.
    int eventsReceived = 0;
    int badEvents = 0;
    int sysexReceived = 0;
    int floatBlocks = 0;
    int doubleBlocks = 0;
    int closeCalls = 0;
    vst::VstTimeInfo lastTime{};
    bool hadTime = false;
    int chunkBytesSet = 0;
    uint8_t chunkFirstByte = 0;
};

}  // namespace qor

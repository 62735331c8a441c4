// The VST 2 binary interface, written from the publicly documented layouts.
// Only what a host and our plug-in exchange is declared here; every record's
// size and field offsets are checked below for 64- and 32-bit targets, since a
// single misplaced field silently breaks every host.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALL __cdecl
#else
#define VSTCALL
#endif

namespace vst {

struct AEffect;

using HostCallback = intptr_t(VSTCALL*)(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
using DispatcherProc = intptr_t(VSTCALL*)(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
using ProcessProc = void(VSTCALL*)(AEffect*, float** inputs, float** outputs, int32_t frames);
using ProcessDoubleProc = void(VSTCALL*)(AEffect*, double** inputs, double** outputs, int32_t frames);
using SetParameterProc = void(VSTCALL*)(AEffect*, int32_t index, float value);
using GetParameterProc = float(VSTCALL*)(AEffect*, int32_t index);
using EntryProc = AEffect*(VSTCALL*)(HostCallback);

constexpr int32_t fourCC(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

constexpr int32_t kEffectMagic = fourCC('V', 's', 't', 'P');

struct AEffect {
    int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;  // accumulating; long deprecated but still filled in
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum EffectFlags : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

enum EffectOpcodes : int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effSetSpeakerArrangement = 42,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,
    effGetVstVersion = 58,
    effGetMidiKeyName = 66,
    effStartProcess = 71,
    effStopProcess = 72,
    effGetSpeakerArrangement = 69,
};

enum HostOpcodes : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
};

enum PlugCategory : int32_t {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

constexpr int32_t kVstProcessLevelOffline = 4;

// Strings the host hands us or asks for have these fixed capacities.
constexpr int kVstMaxProgNameLen = 24;
constexpr int kVstMaxParamStrLen = 8;
constexpr int kVstMaxVendorStrLen = 64;
constexpr int kVstMaxProductStrLen = 64;
constexpr int kVstMaxEffectNameLen = 32;

enum EventTypes : int32_t {
    kVstMidiType = 1,
    kVstSysExType = 6,
};

struct VstEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    char data[16];
};

struct VstMidiEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t noteLength;
    int32_t noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t dumpBytes;
    intptr_t resvd1;
    char* sysexDump;
    intptr_t resvd2;
};

// The host's list is declared with two slots but carries numEvents of them.
struct VstEvents {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[2];
};

enum TimeInfoFlags : int32_t {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    int32_t smpteOffset;
    int32_t smpteFrameRate;
    int32_t samplesToNextClock;
    int32_t flags;
};

enum PinFlags : int32_t {
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
    kVstPinUseSpeaker = 4,
};

struct VstPinProperties {
    char label[64];
    int32_t flags;
    int32_t arrangementType;
    char shortLabel[8];
    char future[48];
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    int32_t type;
    char future[28];
};

enum SpeakerArrangementType : int32_t {
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1,
};

struct VstSpeakerArrangement {
    int32_t type;
    int32_t numChannels;
    VstSpeakerProperties speakers[8];
};

struct MidiKeyName {
    int32_t thisProgramIndex;
    int32_t thisKeyNumber;
    char keyName[64];
    int32_t reserved;
    int32_t flags;
};

struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

// Our own effVendorSpecific request, not part of the VST 2 interface: the
// plug-in draws its editor offscreen, without a window or a display, into a
// buffer the caller owns (qor-render --screenshot uses it). index is
// kQorDrawEditor, value kQorDrawEditorMagic, ptr a QorEditorPixels whose
// width and height give the buffer's size in pixels; stride is in pixels.
// Pixels are 0xAARRGGBB in native 32-bit words. The answer is 1 when the
// editor was drawn; 0 when the plug-in has no editor or the buffer is
// smaller than the editor (width and height then tell the editor's size).
constexpr int32_t kQorDrawEditor = fourCC('Q', 'r', 'D', 'w');
constexpr intptr_t kQorDrawEditorMagic = fourCC('P', 'x', 'l', 's');
struct QorEditorPixels {
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t reserved;
    uint32_t* pixels;
};

// Layout checks. A host compiled against the original interface reads these
// records by offset, so they must match it byte for byte.
#define QOR_VST_CHECK(type, member, off64, off32)                                                    \
    static_assert(offsetof(type, member) == (sizeof(void*) == 8 ? (off64) : (off32)), #type "::" #member)

QOR_VST_CHECK(AEffect, magic, 0, 0);
QOR_VST_CHECK(AEffect, dispatcher, 8, 4);
QOR_VST_CHECK(AEffect, process, 16, 8);
QOR_VST_CHECK(AEffect, setParameter, 24, 12);
QOR_VST_CHECK(AEffect, getParameter, 32, 16);
QOR_VST_CHECK(AEffect, numPrograms, 40, 20);
QOR_VST_CHECK(AEffect, numParams, 44, 24);
QOR_VST_CHECK(AEffect, numInputs, 48, 28);
QOR_VST_CHECK(AEffect, numOutputs, 52, 32);
QOR_VST_CHECK(AEffect, flags, 56, 36);
QOR_VST_CHECK(AEffect, resvd1, 64, 40);
QOR_VST_CHECK(AEffect, resvd2, 72, 44);
QOR_VST_CHECK(AEffect, initialDelay, 80, 48);
QOR_VST_CHECK(AEffect, ioRatio, 92, 60);
QOR_VST_CHECK(AEffect, object, 96, 64);
QOR_VST_CHECK(AEffect, user, 104, 68);
QOR_VST_CHECK(AEffect, uniqueID, 112, 72);
QOR_VST_CHECK(AEffect, version, 116, 76);
QOR_VST_CHECK(AEffect, processReplacing, 120, 80);
QOR_VST_CHECK(AEffect, processDoubleReplacing, 128, 84);
QOR_VST_CHECK(AEffect, future, 136, 88);
static_assert(sizeof(AEffect) == (sizeof(void*) == 8 ? 192 : 144));

QOR_VST_CHECK(VstMidiEvent, deltaFrames, 8, 8);
QOR_VST_CHECK(VstMidiEvent, midiData, 24, 24);
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(sizeof(VstEvent) == 32);

QOR_VST_CHECK(VstMidiSysexEvent, dumpBytes, 16, 16);
QOR_VST_CHECK(VstMidiSysexEvent, resvd1, 24, 20);
QOR_VST_CHECK(VstMidiSysexEvent, sysexDump, 32, 24);
QOR_VST_CHECK(VstMidiSysexEvent, resvd2, 40, 28);
static_assert(sizeof(VstMidiSysexEvent) == (sizeof(void*) == 8 ? 48 : 32));

QOR_VST_CHECK(VstEvents, reserved, 8, 4);
QOR_VST_CHECK(VstEvents, events, 16, 8);

QOR_VST_CHECK(VstTimeInfo, tempo, 32, 32);
QOR_VST_CHECK(VstTimeInfo, timeSigNumerator, 64, 64);
QOR_VST_CHECK(VstTimeInfo, flags, 84, 84);
static_assert(sizeof(VstTimeInfo) == 88);

QOR_VST_CHECK(VstPinProperties, flags, 64, 64);
QOR_VST_CHECK(VstPinProperties, shortLabel, 72, 72);
static_assert(sizeof(VstPinProperties) == 128);

static_assert(sizeof(VstSpeakerProperties) == 112);
QOR_VST_CHECK(VstSpeakerArrangement, speakers, 8, 8);
static_assert(sizeof(VstSpeakerArrangement) == 8 + 8 * 112);

QOR_VST_CHECK(MidiKeyName, keyName, 8, 8);
static_assert(sizeof(MidiKeyName) == 80);
static_assert(sizeof(ERect) == 8);

QOR_VST_CHECK(QorEditorPixels, pixels, 16, 16);

#undef QOR_VST_CHECK

}  // namespace vst

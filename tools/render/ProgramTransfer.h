// Programs into and out of a loaded plug-in the way a DAW moves them: VST
// program and bank files (fxp, fxb) through the plug-in's chunk and parameter
// calls, SysEx files sent as SysEx events, and SysEx dumps the plug-in sends
// back when asked with QOR's request messages.
//
// Threading: the caller's thread, outside process calls.
#pragma once

#include "tools/render/VstHost.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qor {

// SysEx and program files larger than this are refused rather than read.
constexpr size_t kMaxTransferFileBytes = 64u << 20;

// Loads a program file, bank file or SysEx file into the plug-in; the kind
// is taken from the content ("CcnK" files, or F0 ... F7 messages). SysEx
// that QOR answers with its write error or memory-protection reply fails.
bool loadProgramFile(VstHost& host, const std::string& path, std::string& error);

// The complete F0 ... F7 messages in bytes; anything outside them is dropped.
std::vector<std::vector<uint8_t>> splitSysEx(std::span<const uint8_t> bytes);

// Hands the messages to the plug-in one event each (effProcessEvents, at
// once) and returns the SysEx messages it sent back meanwhile.
std::vector<std::vector<uint8_t>> exchangeSysEx(VstHost& host, const std::vector<std::vector<uint8_t>>& messages);

enum class SysExExport { Program, InternalBank, CartridgeBank };

// Asks QOR for a dump (the current program, or one memory) with its request
// message and writes what it sends back to path.
bool exportSysEx(VstHost& host, SysExExport kind, const std::string& path, std::string& error);

}  // namespace qor

// VST 2 program ("fxp") and bank ("fxb") files of a plug-in.
//
// Header integers are 32-bit big-endian, magics four ASCII bytes in file
// order, parameter values big-endian IEEE floats. A plug-in that does state
// chunks writes the opaque-chunk forms ("FPCh", "FBCh"); every plug-in reads
// those and the parameter-list forms ("FxCk", "FxBk").
//
//   program, chunk form:  "CcnK", byteSize = n + 60, "FPCh", 1, fxID,
//                         fxVersion, numParams, prgName[28], chunkSize = n,
//                         chunk (n bytes: 'pfft', 0x00010000, the state)
//   bank, chunk form:     "CcnK", byteSize = n + 160, "FBCh", 2, fxID,
//                         fxVersion, numPrograms, currentProgram, 124 zeros,
//                         chunkSize = n, chunk ('pfft', 0x00010000, the slots)
//
// A file is checked completely (magics, version, identifier, and that every
// byte its header announces is there) before anything is applied; a refused
// file changes nothing. A chunk that turns out to be cut short inside is
// rolled back to the state before the load.
//
// Threads: the editor thread (commands) or construction; the caller holds
// no lock. A bank in the chunk form is read without the main lock and put in
// place in one step under it; the other loads hold the lock for the whole
// load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qor {

class IPlugBase;

inline constexpr int kProgramHeaderBytes = 60;   // up to and with chunkSize
inline constexpr int kProgramNameBytes = 28;     // 27 characters and a zero
inline constexpr int kBankHeaderBytes = 160;     // up to and with chunkSize
// Files larger than this are not ours: a full bank with the largest user-wave
// recipes stays far below it.
inline constexpr std::size_t kMaxProgramFileBytes = 16u << 20;

// The images as they are written to disk.
std::vector<uint8_t> MakeProgramImage(IPlugBase& plug);
std::vector<uint8_t> MakeBankImage(IPlugBase& plug);

// An empty path, a file that cannot be written or a short write give false.
bool SaveProgramFile(IPlugBase& plug, const std::string& path);
bool SaveBankFile(IPlugBase& plug, const std::string& path);

// The current program from a program file: applied, stored into the current
// slot under the file's name, then restored from the slot.
bool LoadProgramImage(IPlugBase& plug, std::span<const uint8_t> image);
// Every slot from a bank file; the current program stays current.
bool LoadBankImage(IPlugBase& plug, std::span<const uint8_t> image);
// The slots of a bank image whose header is trusted and not checked (the
// plug-in's own factory bank): the chunk starts at byte 160.
bool LoadBankImageUnchecked(IPlugBase& plug, std::span<const uint8_t> image);

// Read the whole file, then load it as above. A missing, unreadable or
// oversized file gives false and changes nothing.
bool LoadProgramFile(IPlugBase& plug, const std::string& path);
bool LoadBankFile(IPlugBase& plug, const std::string& path);

// The whole file, or nothing when it cannot be read or holds more than
// maxBytes.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::size_t maxBytes);

}  // namespace qor

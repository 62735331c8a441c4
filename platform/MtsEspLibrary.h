// The MTS-ESP library: the shared hub through which a tuning master running in
// the host tells its clients the frequency of every key and which keys to
// ignore. It is opened at run time by path and every function is bound by
// name; any of them may be missing, and a missing library or function leaves
// the instrument in twelve-tone equal temperament without a word.
//
// Threads: a binding is made once and then only read, so any thread may call
// through it. The process's own binding is made when the module is loaded,
// before any instance exists, and released when the module is unloaded.
#pragma once

#include <string>

#include "platform/DynamicLibrary.h"

namespace qor {

// Where this system keeps the MTS-ESP library (Linux: /usr/local/lib/libMTS.so),
// an absolute path, so no search path can substitute another file.
std::string MtsEspDefaultPath();

class MtsEspLibrary {
public:
    // No channel: the value the library takes for "the client's only channel".
    static constexpr int kNoChannel = 0xFF;
    static constexpr int kKeys = 128;

    // Unbound: no master, nothing filtered.
    MtsEspLibrary() = default;
    // Binds the library at path; unbound when it cannot be opened.
    explicit MtsEspLibrary(const std::string& path);
    MtsEspLibrary(const MtsEspLibrary&) = delete;
    MtsEspLibrary& operator=(const MtsEspLibrary&) = delete;

    // The binding made when the module was loaded: the library at
    // MtsEspDefaultPath(), or, as a hook for tests only, the one named by the
    // environment variable QOR_MTS_LIBRARY as it was at load time.
    static const MtsEspLibrary& Process();

    bool IsOpen() const { return library_.isOpen(); }

    // Each call does nothing, or answers "no", when its function is missing.
    void RegisterClient(const void* client) const;
    void DeregisterClient(const void* client) const;
    bool HasMaster() const;
    bool ShouldFilterNote(int note, int channel) const;
    bool ShouldFilterNoteMultiChannel(int note, int channel) const;
    bool UseMultiChannelTuning(int channel) const;
    // The master's 128 key frequencies in Hz, fetched once when the library
    // was bound (the library keeps the table current in place), or null.
    const double* MasterTable() const { return masterTable_; }

private:
    using ClientCall = void (*)(const void*);
    using Question = bool (*)();
    using NoteQuestion = bool (*)(char, char);
    using ChannelQuestion = bool (*)(char);
    using TableCall = const double* (*)();

    DynamicLibrary library_;
    ClientCall registerClient_ = nullptr;
    ClientCall deregisterClient_ = nullptr;
    Question hasMaster_ = nullptr;
    NoteQuestion shouldFilterNote_ = nullptr;
    NoteQuestion shouldFilterNoteMultiChannel_ = nullptr;
    ChannelQuestion useMultiChannelTuning_ = nullptr;
    const double* masterTable_ = nullptr;
};

}  // namespace qor

#include "platform/MtsEspLibrary.h"

#include <cstdlib>

namespace qor {

namespace {

template <typename Function>
Function Bind(DynamicLibrary& library, const char* name)
{
    return reinterpret_cast<Function>(library.symbol(name));
}

std::string ProcessLibraryPath()
{
    // Test hook: the test suite points the module at a stand-in library.
    const char* override = std::getenv("QOR_MTS_LIBRARY");
    return override != nullptr && *override != '\0' ? override : MtsEspDefaultPath();
}

// Made while the module is being loaded and released as it is unloaded.
const MtsEspLibrary gProcessLibrary{ProcessLibraryPath()};

}  // namespace

MtsEspLibrary::MtsEspLibrary(const std::string& path)
{
    if (!library_.open(path)) return;
    registerClient_ = Bind<ClientCall>(library_, "MTS_RegisterClient");
    deregisterClient_ = Bind<ClientCall>(library_, "MTS_DeregisterClient");
    hasMaster_ = Bind<Question>(library_, "MTS_HasMaster");
    shouldFilterNote_ = Bind<NoteQuestion>(library_, "MTS_ShouldFilterNote");
    shouldFilterNoteMultiChannel_ = Bind<NoteQuestion>(library_, "MTS_ShouldFilterNoteMultiChannel");
    useMultiChannelTuning_ = Bind<ChannelQuestion>(library_, "MTS_UseMultiChannelTuning");
    if (const auto table = Bind<TableCall>(library_, "MTS_GetTuningTable")) masterTable_ = table();
}

const MtsEspLibrary& MtsEspLibrary::Process() { return gProcessLibrary; }

void MtsEspLibrary::RegisterClient(const void* client) const
{
    if (registerClient_) registerClient_(client);
}

void MtsEspLibrary::DeregisterClient(const void* client) const
{
    if (deregisterClient_) deregisterClient_(client);
}

bool MtsEspLibrary::HasMaster() const { return hasMaster_ && hasMaster_(); }

bool MtsEspLibrary::ShouldFilterNote(int note, int channel) const
{
    return shouldFilterNote_ && shouldFilterNote_(static_cast<char>(note), static_cast<char>(channel));
}

bool MtsEspLibrary::ShouldFilterNoteMultiChannel(int note, int channel) const
{
    return shouldFilterNoteMultiChannel_ &&
           shouldFilterNoteMultiChannel_(static_cast<char>(note), static_cast<char>(channel));
}

bool MtsEspLibrary::UseMultiChannelTuning(int channel) const
{
    return useMultiChannelTuning_ && useMultiChannelTuning_(static_cast<char>(channel));
}

}  // namespace qor

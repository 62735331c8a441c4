// PLACEHOLDER until program memory, user waves and the state chunk land.
#include "plugin/QOR.h"

namespace qor {

bool QOR::SerializeState(IChunk& chunk) { return IPlugBase::SerializeState(chunk); }
int QOR::UnserializeState(const IChunk& chunk, int position) { return IPlugBase::UnserializeState(chunk, position); }
void QOR::ModifyCurrentPreset(const char* name) { IPlugBase::ModifyCurrentPreset(name); }
bool QOR::RestorePreset(int index) { return IPlugBase::RestorePreset(index); }
void QOR::InitProgram() { Synth::InitProgram(); }
void QOR::CopyProgram() {}
void QOR::PasteProgram() {}
void QOR::ComputeUserWaveTables(int, const HarmonicMap&) {}
void QOR::WriteUserWaveSamples(int, const double*, int) {}
void QOR::WriteUserWaveBytes(int, const uint8_t*) {}
void QOR::CopyStoredToActive(int, int) {}
void QOR::CopyActiveToStored(int, int) {}
bool QOR::LoadUserWaveWav(int, const std::string&) { return false; }
bool QOR::SaveUserWaveWav(int, const std::string&) { return false; }

}  // namespace qor

// PLACEHOLDER until the configuration file lands.
#include "plugin/Synth.h"

namespace qor {

int Synth::ReadConfiguration() { return 0; }
void Synth::WriteConfiguration(int) {}
void Synth::WriteStartupBank() {}
void Synth::SetStartupBank(const std::string& path) { startupBankPath = path; }
void Synth::ClearStartupBank() { startupBankPath.clear(); }
void Synth::WriteProgramFolder() {}
void Synth::WriteSysExFolder() {}
void Synth::WriteLinkChain() {}
void Synth::WriteK3Function() {}
void Synth::ParseLinkChain(const std::string&) {}

}  // namespace qor

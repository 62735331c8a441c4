// PLACEHOLDER until the SysEx exchange and the factory sounds land.
#include "plugin/QOR.h"

namespace qor {

bool QOR::ReceiveSysExMessages(std::vector<uint8_t>& queue)
{
    queue.clear();
    return false;
}
bool QOR::SendProgramDump(int, const std::string&) { return false; }
bool QOR::SendBankDump(int, const std::string&) { return false; }
bool QOR::SendUserWaveDump(int, const std::string&) { return false; }
void QOR::SendSysExReply(int) {}
bool QOR::LoadSysExFile(const std::string&) { return true; }
int QOR::ClassifySysExFile(const std::string&) { return 0; }
void QOR::RestoreFactorySounds(int) {}
bool QOR::LoadFactoryBank() { return false; }
bool QOR::LoadStartupBank() { return false; }

}  // namespace qor

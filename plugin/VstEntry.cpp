// The plug-in library's entry points. Hosts look for VSTPluginMain; older
// ones for main, which on this ABI is a function returning the effect record.
#include "framework/IPlugVST.h"
#include "plugin/QOR.h"

#if defined(_WIN32)
// plugin/exports.def exports both entries by name.
#define QOR_EXPORT extern "C"
#else
#define QOR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

QOR_EXPORT vst::AEffect* VSTPluginMain(vst::HostCallback host)
{
    return qor::IPlugVST::CreateEffect<qor::QOR>(host);
}

// C++ reserves the name main for the program's entry, so the old entry point
// gets its exported name from the assembler (on Windows from exports.def).
#if defined(_WIN32)
QOR_EXPORT vst::AEffect* VSTPluginMainLegacy(vst::HostCallback host);
#else
QOR_EXPORT vst::AEffect* VSTPluginMainLegacy(vst::HostCallback host) __asm__("main");
#endif
vst::AEffect* VSTPluginMainLegacy(vst::HostCallback host) { return VSTPluginMain(host); }

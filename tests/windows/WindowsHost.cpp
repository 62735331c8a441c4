// qor-host-test.exe: loads QOR64.dll or QOR.dll the way a Windows host does
// and checks what a host relies on. Run under Wine or on Windows:
//   qor-host-test.exe <plugin.dll>
// Prints one line per check and exits non-zero when any fails. Each check
// is one entry of kChecks; a new one is a function and a line there.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "tests/windows/WindowsEditorCheck.h"
#include "tools/render/VstHost.h"

namespace {

using namespace qor;

struct Context {
    std::string pluginPath;
    VstHost host;
    // When the plug-in was loaded (system time as a FILETIME count).
    uint64_t loadedAt = 0;
};

// A check fills detail with what it saw and returns whether it passed.
using CheckFunction = bool (*)(Context&, std::string& detail);

struct Check {
    const char* name;
    CheckFunction run;
};

uint64_t fileTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::string hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

bool ExportsBothEntries(Context& context, std::string& detail)
{
    DynamicLibrary library;
    if (!library.open(context.pluginPath)) {
        detail = library.error();
        return false;
    }
    const bool modern = library.symbol("VSTPluginMain") != nullptr;
    const bool legacy = library.symbol("main") != nullptr;
    detail = std::string("VSTPluginMain ") + (modern ? "found" : "missing") + ", main " + (legacy ? "found" : "missing");
    return modern && legacy;
}

bool EffectRecord(Context& context, std::string& detail)
{
    const vst::AEffect& effect = context.host.effect();
    constexpr int32_t kQor = ('q' << 24) | ('o' << 16) | ('-' << 8) | 'r';
    detail = "flags " + hex(static_cast<uint32_t>(effect.flags)) + ", id " + hex(static_cast<uint32_t>(effect.uniqueID)) +
             ", version " + std::to_string(effect.version) + ", " + std::to_string(effect.numInputs) + " in, " +
             std::to_string(effect.numOutputs) + " out, " + std::to_string(effect.numParams) + " parameters, " +
             std::to_string(effect.numPrograms) + " programs";
    return effect.flags == 0x1131 && effect.uniqueID == kQor && effect.version == 10101 && effect.numInputs == 0 &&
           effect.numOutputs == 2 && effect.numParams == 60 && effect.numPrograms == 100;
}

bool BankChunkRoundTrip(Context& context, std::string& detail)
{
    VstHost& host = context.host;
    // A changed program name and parameter, so the round trip carries
    // something other than the defaults.
    host.setProgram(7);
    host.setParameter(0, 0.25f);
    const std::vector<uint8_t> first = host.getChunk(false);
    if (first.empty()) {
        detail = "the plug-in gave no bank chunk";
        return false;
    }
    host.setParameter(0, 0.75f);
    if (!host.setChunk(first, false)) {
        detail = "the plug-in refused its own bank chunk (" + std::to_string(first.size()) + " bytes)";
        return false;
    }
    const std::vector<uint8_t> second = host.getChunk(false);
    detail = std::to_string(first.size()) + " bytes out, " + std::to_string(second.size()) + " bytes back";
    if (second != first) {
        size_t at = 0;
        while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
        detail += ", first difference at byte " + std::to_string(at);
        return false;
    }
    return true;
}

bool SettingsInApplicationData(Context& context, std::string& detail)
{
    char appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
        detail = "the system names no application-data folder";
        return false;
    }
    const std::string path = std::string(appData) + "\\Marrowind\\qor.ini";
    detail = path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        detail += " is missing";
        return false;
    }
    // The instance writes its settings as it starts: the file is this run's
    // (two seconds of slack for file systems that store coarse times).
    const uint64_t written = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    if (written + 20'000'000 < context.loadedAt) {
        detail += " was not written by this instance";
        return false;
    }
    std::string text(data.nFileSizeLow, '\0');
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        text.resize(std::fread(text.data(), 1, text.size(), file));
        std::fclose(file);
    }
    if (text.find("[Global]") == std::string::npos || text.find("Write Protect") == std::string::npos) {
        detail += " lacks the \"Global\" settings";
        return false;
    }
    return true;
}

bool EditorWindow(Context& context, std::string& detail)
{
    return wintest::EditorWindowChecks(context.pluginPath, detail);
}

const Check kChecks[] = {
    {"exports VSTPluginMain and main", ExportsBothEntries},
    {"effect record", EffectRecord},
    {"bank chunk round trip", BankChunkRoundTrip},
    {"qor.ini in the application-data folder", SettingsInApplicationData},
    {"editor window", EditorWindow},
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qor-host-test <plugin.dll>\n");
        return 2;
    }
    Context context;
    context.pluginPath = argv[1];
    context.loadedAt = fileTimeNow();
    std::string error;
    if (!context.host.load(context.pluginPath, error)) {
        std::printf("FAIL load: %s\n", error.c_str());
        return 1;
    }
    std::printf("ok   load: %s\n", context.pluginPath.c_str());
    context.host.configure(44100.0, 512);
    int failures = 0;
    for (const Check& check : kChecks) {
        std::string detail;
        const bool passed = check.run(context, detail);
        if (!passed) ++failures;
        std::printf("%s %s: %s\n", passed ? "ok  " : "FAIL", check.name, detail.c_str());
        std::fflush(stdout);
    }
    context.host.unload();
    std::printf("%s: %d of %zu checks failed\n", failures == 0 ? "passed" : "FAILED", failures, std::size(kChecks));
    return failures == 0 ? 0 : 1;
}

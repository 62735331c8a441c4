// The global settings in the per-user INI file. Every setting is written when
// the action that changes it runs; "Save Configuration" writes them all.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Folders.h"
#include "platform/Profile.h"
#include "plugin/Synth.h"

namespace qor {

namespace {

constexpr const char* kStartupBank = "Startup Bank";
constexpr const char* kGlobal = "Global";
constexpr const char* kEditor = "Editor";
constexpr const char* kMidiGlobal = "MIDI Global";
constexpr const char* kMidiControl = "MIDI Control";

// Read limits, in characters. Paths and the link chain are read whole: the
// program writes them, so the reader must hold anything it wrote (a link
// chain reaches 127 characters, a path thousands).
constexpr std::size_t kShortValue = 63;
constexpr std::size_t kPathValue = 4096;
constexpr std::size_t kLinkValue = 255;

constexpr std::size_t kMaxLinks = 32;

const char* boolText(bool b) { return b ? "true" : "false"; }

bool equalsIgnoringCase(const std::string& text, const char* word)
{
    std::size_t i = 0;
    for (; word[i]; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return i == text.size();
}

// atoi without its undefined overflow: leading blanks, a sign, the digits that
// follow; out-of-range numbers saturate.
int toInt(const std::string& text)
{
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

int Synth::ReadConfiguration()
{
    const std::string& path = configPath;
    if (!platform::PathExists(path)) return 11;
    auto read = [&](const char* section, const char* key, const std::string& fallback, std::size_t limit) {
        return platform::GetProfileString(section, key, fallback, limit, path);
    };
    // A boolean keeps its value when the key is missing or empty.
    auto readBool = [&](const char* section, const char* key, bool& setting) {
        const std::string v = read(section, key, boolText(setting), kShortValue);
        if (!v.empty()) setting = equalsIgnoringCase(v, "true");
    };

    startupBankPath.clear();
    if (std::string bank = read(kStartupBank, "File", "", kPathValue); !bank.empty()) startupBankPath = bank;

    if (const std::string v = read(kGlobal, "Write Protect", boolText(writeProtect), kShortValue); !v.empty())
        SetWriteProtect(equalsIgnoringCase(v, "true"));

    // Exactly "1" to "4" select the lower levels; "5" and anything else the full one.
    const std::string k3 = read(kGlobal, "K3 Function", "5", kShortValue);
    int level = 4;
    if (k3.size() == 1 && k3[0] >= '1' && k3[0] <= '4') level = k3[0] - '1';
    SetMidiLevel(level);

    if (const std::string link = read(kGlobal, "Link", "", kLinkValue); !link.empty()) ParseLinkChain(link);

    readBool(kEditor, "Show Information", showInformation);

    if (std::string folder = read(kGlobal, "Path to Program Files", "", kPathValue); !folder.empty())
        programFolder = folder;
    if (std::string folder = read(kGlobal, "Path to SysEx Files", "", kPathValue); !folder.empty())
        sysexFolder = folder;

    readBool(kMidiGlobal, "MIDI Thru", midiThru);
    readBool(kMidiGlobal, "Ignore Program Change", ignoreProgramChange);
    readBool(kMidiGlobal, "Send Parameter SysEx", sendParameterSysEx);

    // The number is kept unchecked; the controller handling ignores indices
    // outside the parameters.
    for (int cc = 0; cc < kControllers; ++cc) {
        char key[16];
        std::snprintf(key, sizeof key, "CC%i", cc);
        const std::string v = read(kMidiControl, key, "-1", kShortValue);
        if (v.empty()) continue;
        const int n = toInt(v);
        controllerMap[static_cast<std::size_t>(cc)] = (n != 0 || v[0] == '0') ? n : -1;
    }
    return 0;
}

void Synth::WriteConfiguration(int which)
{
    WriteStartupBank();
    auto writeBool = [&](const char* section, const char* key, bool value) {
        platform::WriteProfileString(section, key, boolText(value), configPath);
    };
    const bool all = which < 0;
    if (all || which == 24) writeBool(kEditor, "Show Information", showInformation);
    if (all || which == 43) writeBool(kGlobal, "Write Protect", writeProtect);
    if (all || which == 38) writeBool(kMidiGlobal, "MIDI Thru", midiThru);
    if (all || which == 39) writeBool(kMidiGlobal, "Ignore Program Change", ignoreProgramChange);
    if (all || which == 40) writeBool(kMidiGlobal, "Send Parameter SysEx", sendParameterSysEx);
    if (!all) return;

    // The section is replaced in one write, so unmapped controllers lose their keys.
    std::vector<std::string> lines;
    for (int cc = 0; cc < kControllers; ++cc) {
        const int32_t parameter = controllerMap[static_cast<std::size_t>(cc)];
        if (parameter < 0) continue;
        char line[48];
        std::snprintf(line, sizeof line, "CC%i=%i", cc, parameter);
        lines.emplace_back(line);
    }
    platform::WriteProfileSection(kMidiControl, lines, configPath);
}

void Synth::WriteStartupBank()
{
    const std::vector<std::string> lines{"File=" + startupBankPath};
    platform::WriteProfileSection(kStartupBank, lines, configPath);
}

void Synth::SetStartupBank(const std::string& path)
{
    startupBankPath = path;
    WriteStartupBank();
}

void Synth::ClearStartupBank()
{
    startupBankPath.clear();
    platform::WriteProfileSection(kStartupBank, {}, configPath);
}

// There is no folder dialog yet: these store the folders the settings hold.
void Synth::WriteProgramFolder()
{
    platform::WriteProfileString(kGlobal, "Path to Program Files", programFolder, configPath);
}

void Synth::WriteSysExFolder() { platform::WriteProfileString(kGlobal, "Path to SysEx Files", sysexFolder, configPath); }

void Synth::WriteLinkChain()
{
    std::string text;
    for (std::size_t i = 0; i < linkChain.size(); ++i) {
        if (i > 0) text += ',';
        text += std::to_string(static_cast<int>(linkChain[i]));
    }
    platform::WriteProfileString(kGlobal, "Link", text, configPath);
}

void Synth::WriteK3Function()
{
    char text[16];
    std::snprintf(text, sizeof text, "%i", k3FunctionLevel + 1);
    platform::WriteProfileString(kGlobal, "K3 Function", text, configPath);
}

// Program numbers counted from 1 (1..100), separated by commas; other
// characters are skipped. A number keeps its first three digits, so the last
// cartridge program (100) reads back as written; numbers outside 1..100 name
// no program and are left out, as is anything past the chain's 32 entries.
void Synth::ParseLinkChain(const std::string& text)
{
    linkChain.clear();
    int number = 0;
    int digits = 0;
    auto finish = [&] {
        if (digits > 0 && number >= 1 && number <= 100 && linkChain.size() < kMaxLinks)
            linkChain.push_back(static_cast<uint8_t>(number));
        number = 0;
        digits = 0;
    };
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (digits < 3) {
                number = number * 10 + (c - '0');
                ++digits;
            }
        } else if (c == ',') {
            finish();
        }
    }
    finish();
}

}  // namespace qor

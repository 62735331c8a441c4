// Every factory program in every form a user can get it: the 100 programs of
// the factory bank the plug-in loads at construction, and the 150 programs of
// the three SysEx sets as the restore commands leave them (hardware
// parameters only, default user waves). Each comes with the tags its entry in
// resources/factory/programs.txt gives it.
#pragma once

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ParameterIndex.h"
#include "plugin/QOR.h"
#include "tests/factory/FactoryAudition.h"

namespace qor::test {

inline constexpr int kRestoreInternal = 29;
inline constexpr int kRestoreCartridge = 30;
inline constexpr int kRestoreTobin = 31;

struct ProgramVersion {
    std::string label;  // "bank 12 Analog Brass", "cartridge SysEx 3 Digital Piano III"
    std::string entry;  // the program's entry in the source: "internal 12"
    bool sysEx = false;
    ProgramSnapshot program;
    std::set<std::string> tags;

    bool Tagged(const std::string& tag) const { return tags.count(tag) != 0; }
    // A mono program on six voices plays every key as a detuned unison stack.
    bool Unison() const { return program.raw[kMono] >= 0.5 && program.raw[kVoices] >= 1.0; }
};

// "internal 12" -> its tags, read from the program source.
inline std::map<std::string, std::set<std::string>> SourceTags()
{
    std::map<std::string, std::set<std::string>> tags;
    std::ifstream in(std::string(QOR_SOURCE_DIR) + "/resources/factory/programs.txt");
    std::string line, entry;
    while (std::getline(in, line)) {
        if (line.rfind('[', 0) == 0) {
            entry = line.substr(1, line.find(']') - 1);
            tags[entry];
        } else if (line.rfind("tags", 0) == 0 && line.find('=') != std::string::npos) {
            std::istringstream words(line.substr(line.find('=') + 1));
            for (std::string w; words >> w;) tags[entry].insert(w);
        }
    }
    return tags;
}

// The plug-in must live in a throw-away home folder (TestHome).
inline std::vector<ProgramVersion> AllFactoryVersions()
{
    const auto tags = SourceTags();
    std::vector<ProgramVersion> versions;
    auto plug = std::make_unique<QOR>(nullptr);
    plug->writeProtect = false;
    auto add = [&](const std::string& form, bool sysEx, const std::string& set, int number, int slot) {
        ProgramVersion v;
        v.entry = set + " " + std::to_string(number);
        v.sysEx = sysEx;
        v.program = Snapshot(*plug, slot);
        v.label = form + " " + std::to_string(number) + " " + v.program.name;
        const auto found = tags.find(v.entry);
        if (found != tags.end()) v.tags = found->second;
        versions.push_back(std::move(v));
    };
    for (int k = 1; k <= 50; ++k) add("bank", false, "internal", k, k - 1);
    for (int k = 1; k <= 50; ++k) add("bank", false, "cartridge", k, k + 49);
    plug->RestoreFactorySounds(kRestoreInternal);
    for (int k = 1; k <= 50; ++k) add("internal SysEx", true, "internal", k, k - 1);
    plug->RestoreFactorySounds(kRestoreCartridge);
    for (int k = 1; k <= 50; ++k) add("cartridge SysEx", true, "cartridge", k, k + 49);
    plug->RestoreFactorySounds(kRestoreTobin);
    for (int k = 1; k <= 50; ++k) add("Tobin SysEx", true, "tobin", k, k - 1);
    return versions;
}

}  // namespace qor::test

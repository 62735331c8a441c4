// gen-factory: builds the four factory data sets from the readable program
// source resources/factory/programs.txt (its format is described at its top):
//
//   factory.fxb          the factory bank: internal programs in slots 0..49,
//                        cartridge programs in 50..99, in the bank layout
//   factory_int.syx      one bank message of the internal programs (3508 bytes)
//   factory_crd.syx      one bank message of the cartridge programs (3508 bytes)
//   tobins_patches.syx   50 one-program messages of Tobin's set (3900 bytes)
//
//   gen-factory <folder>           read <folder>/programs.txt, write the sets there
//   gen-factory --check <folder>   exit 1 when a set in the folder is not what this makes
//
// Nothing here writes a program format of its own: each program is set up in
// a real plug-in object (the initial program, then the listed values, through
// the same route as a received program) and the bytes come from the
// plug-in's state and bank writers and from the SysEx encoder.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ParameterIndex.h"
#include "engine/WaveMemory.h"
#include "framework/ProgramFiles.h"
#include "plugin/QOR.h"
#include "programs/FactoryNames.h"
#include "programs/SysExCodec.h"

namespace {

using namespace qor;

enum Set { kInternal, kCartridge, kTobin, kSets };
constexpr std::string_view kSetNames[kSets] = {"internal", "cartridge", "tobin"};
constexpr int kPrograms = 50;
// The factory bank's header carries this version, not the plug-in's.
constexpr int32_t kFactoryBankVersion = 10001;

// Words a "tags" line may hold: what the factory tests measure a program by.
constexpr std::array<std::string_view, 6> kTags = {"percussive", "sustained", "bright", "dark", "pressure", "touch"};

struct Program {
    std::string name;
    std::string comment;
    std::vector<std::pair<int, double>> values;  // parameter index, plain value
    std::array<std::optional<HarmonicMap>, 2> userWaves;
    int line = 0;
};

using Programs = std::array<std::array<std::optional<Program>, kPrograms>, kSets>;

struct SourceError {
    int line;
    std::string message;
};

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<double> Number(std::string_view text)
{
    const std::string copy(Trim(text));
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size()) return std::nullopt;
    return value;
}

std::string ExpectedName(int set, int number)
{
    if (set == kInternal) return std::string(kInternalFactoryNames[static_cast<std::size_t>(number - 1)]);
    if (set == kCartridge) return std::string(kCartridgeFactoryNames[static_cast<std::size_t>(number - 1)]);
    return TobinPatchName(number);
}

// "1:31 3:10": harmonic 1..127, level 0..31.
HarmonicMap ParseHarmonics(std::string_view text, int line)
{
    HarmonicMap map;
    std::istringstream in{std::string(text)};
    std::string item;
    while (in >> item) {
        const auto colon = item.find(':');
        const auto harmonic = colon == std::string::npos ? std::nullopt : Number(std::string_view(item).substr(0, colon));
        const auto level = colon == std::string::npos ? std::nullopt : Number(std::string_view(item).substr(colon + 1));
        if (!harmonic || !level || *harmonic < 1 || *harmonic > 127 || *harmonic != static_cast<int>(*harmonic) ||
            *level < 0 || *level > 31)
            throw SourceError{line, "expected harmonic:level with harmonic 1..127 and level 0..31, got '" + item + "'"};
        map[static_cast<uint8_t>(*harmonic)] = {0.0, *level};
    }
    if (map.size() > sysex::kUserWaveEntries) throw SourceError{line, "a user wave holds at most 32 harmonics"};
    return map;
}

void CheckTags(std::string_view text, int line)
{
    std::istringstream in{std::string(text)};
    std::string tag;
    while (in >> tag)
        if (std::find(kTags.begin(), kTags.end(), tag) == kTags.end()) throw SourceError{line, "unknown tag '" + tag + "'"};
}

// A value given as one of the parameter's display texts (Voices = 12,
// OSC 1 Wave = SINE). The user waves are named as the panel names them while
// the program is current, so a cartridge program calls its own wave
// USER WAVE (CARTRIDGE).
std::optional<double> DisplayTextValue(const IParameter& param, int index, std::string_view text, int set)
{
    if ((index == kOsc1Wave || index == kOsc2Wave) && text.starts_with("USER WAVE (")) {
        const bool cartridgeWave = text == "USER WAVE (CARTRIDGE)";
        if (!cartridgeWave && text != "USER WAVE (INTERNAL)") return std::nullopt;
        return cartridgeWave == (set == kCartridge) ? kWaveUserOwn : kWaveUserOther;
    }
    double plain = 0.0;
    if (param.MapDisplayText(text, plain)) return plain;
    return std::nullopt;
}

// A value given as the text the parameter's display function shows for one
// of its integer values (LFO Shape = SQUARE, Chorus = CHORUS 1). Numbers are
// plain values and never come here.
std::optional<double> ShownValue(const IParameter& param, std::string_view text)
{
    if (!param.GetDisplayFunction()) return std::nullopt;
    for (int v = static_cast<int>(param.Min()); v <= static_cast<int>(param.Max()); ++v) {
        std::array<char, IParameter::kDisplayCapacity> shown{};
        param.GetDisplayFunction()(v, shown.data());
        if (text == shown.data()) return v;
    }
    return std::nullopt;
}

Programs ParseSource(std::istream& in, QOR& plug)
{
    Programs programs;
    Program* current = nullptr;
    int currentSet = 0;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        const std::string_view row = Trim(text);
        if (row.empty() || row[0] == '#') continue;
        if (row[0] == '[') {
            const auto close = row.find(']');
            std::istringstream header{std::string(row.substr(1, close == std::string_view::npos ? 0 : close - 1))};
            std::string setName;
            int number = 0;
            header >> setName >> number;
            int set = 0;
            while (set < kSets && kSetNames[set] != setName) ++set;
            if (close == std::string_view::npos || set == kSets || number < 1 || number > kPrograms)
                throw SourceError{line, "expected [internal|cartridge|tobin 1..50] name"};
            auto& slot = programs[static_cast<std::size_t>(set)][static_cast<std::size_t>(number - 1)];
            if (slot) throw SourceError{line, "program given twice"};
            slot.emplace();
            current = &*slot;
            currentSet = set;
            current->line = line;
            current->name = Trim(row.substr(close + 1));
            if (current->name != ExpectedName(set, number))
                throw SourceError{line, "the factory name of this program is \"" + ExpectedName(set, number) + "\""};
            continue;
        }
        if (!current) throw SourceError{line, "a program entry starts with [set number] name"};
        if (row[0] == ';') {
            if (!current->comment.empty()) throw SourceError{line, "one comment line per program"};
            current->comment = Trim(row.substr(1));
            continue;
        }
        const auto equals = row.find('=');
        if (equals == std::string_view::npos) throw SourceError{line, "expected Name = value"};
        const std::string key = Lower(Trim(row.substr(0, equals)));
        const std::string_view value = Trim(row.substr(equals + 1));
        if (key == "user wave internal" || key == "user wave cartridge") {
            current->userWaves[key == "user wave cartridge" ? 1 : 0] = ParseHarmonics(value, line);
            continue;
        }
        if (key == "tags") {
            CheckTags(value, line);
            continue;
        }
        int index = 0;
        while (index < plug.NParams() && Lower(plug.GetParam(index)->Name()) != key) ++index;
        if (index == plug.NParams()) throw SourceError{line, "no parameter named '" + std::string(Trim(row.substr(0, equals))) + "'"};
        const IParameter& param = *plug.GetParam(index);
        double plain = 0.0;
        // Display texts first, so that Voices = 12 is the entry the panel
        // shows as 12; other numbers are plain values.
        if (const auto named = DisplayTextValue(param, index, value, currentSet)) {
            plain = *named;
        } else if (const auto number = Number(value)) {
            plain = *number;
        } else if (const auto shown = ShownValue(param, value)) {
            plain = *shown;
        } else {
            throw SourceError{line, "'" + std::string(value) + "' is not a value of " + param.Name()};
        }
        if (plain < param.Min() || plain > param.Max())
            throw SourceError{line, std::string(param.Name()) + " runs from " + std::to_string(param.Min()) + " to " +
                                        std::to_string(param.Max())};
        current->values.emplace_back(index, plain);
    }
    for (int set = 0; set < kSets; ++set)
        for (int k = 0; k < kPrograms; ++k) {
            const auto& program = programs[static_cast<std::size_t>(set)][static_cast<std::size_t>(k)];
            if (!program)
                throw SourceError{0, "program [" + std::string(kSetNames[set]) + " " + std::to_string(k + 1) + "] is missing"};
            if (program->comment.empty()) throw SourceError{program->line, "each program needs its one-line comment"};
        }
    return programs;
}

// The working program becomes the initial program with the entry's values,
// as a program received from the hardware would.
void SetUp(QOR& plug, const Program& program)
{
    plug.InitProgram();
    for (const auto& [index, value] : program.values) plug.ChangeParameter(index, value, false);
    for (int m = 0; m < 2; ++m) {
        if (!program.userWaves[static_cast<std::size_t>(m)]) continue;
        plug.recipes[static_cast<std::size_t>(m)] = *program.userWaves[static_cast<std::size_t>(m)];
        plug.ComputeUserWaveTables(m, plug.recipes[static_cast<std::size_t>(m)]);
        plug.CopyActiveToStored(m, m);
    }
}

sysex::PackedProgram Packed(QOR& plug)
{
    std::array<double, kNumParams> values{};
    for (int i = 0; i < kNumParams; ++i) values[static_cast<std::size_t>(i)] = plug.GetParam(i)->Value();
    return sysex::EncodeProgram(values);
}

struct FactorySets {
    std::vector<uint8_t> bank;
    std::vector<uint8_t> internal;
    std::vector<uint8_t> cartridge;
    std::vector<uint8_t> tobin;
};

FactorySets Build(QOR& plug, const Programs& programs)
{
    plug.writeProtect = false;
    // Every slot starts over, so the result does not depend on the factory
    // bank the plug-in was built with.
    for (int slot = 0; slot < plug.NPresets(); ++slot) plug.GetPresetSlot(slot)->initialized = false;

    FactorySets sets;
    std::array<std::array<sysex::PackedProgram, kPrograms>, 2> memories{};
    for (int slot = 0; slot < 2 * kPrograms; ++slot) {
        const Program& program = *programs[static_cast<std::size_t>(slot / kPrograms)][static_cast<std::size_t>(slot % kPrograms)];
        plug.RestorePreset(slot);
        SetUp(plug, program);
        plug.ModifyCurrentPreset(program.name.c_str());
        memories[static_cast<std::size_t>(slot / kPrograms)][static_cast<std::size_t>(slot % kPrograms)] = Packed(plug);
    }
    plug.RestorePreset(0);
    sets.bank = MakeBankImage(plug);
    // The bank layout of the factory set: version 10001, current program 0.
    for (int i = 0; i < 4; ++i) sets.bank[20 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(kFactoryBankVersion >> (24 - 8 * i));

    const auto internal = sysex::BankDump(0, memories[0]);
    const auto cartridge = sysex::BankDump(1, memories[1]);
    sets.internal.assign(internal.begin(), internal.end());
    sets.cartridge.assign(cartridge.begin(), cartridge.end());
    for (int k = 0; k < kPrograms; ++k) {
        SetUp(plug, *programs[kTobin][static_cast<std::size_t>(k)]);
        const auto message = sysex::ProgramDump(k, Packed(plug));
        sets.tobin.insert(sets.tobin.end(), message.begin(), message.end());
    }
    return sets;
}

// A plug-in object that neither reads nor writes the user's settings.
class ScratchHome {
public:
    ScratchHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "gen-factory-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        mFolder = pattern;
        setenv("HOME", mFolder.c_str(), 1);
        setenv("XDG_CONFIG_HOME", mFolder.c_str(), 1);
    }
    ~ScratchHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mFolder, ignored);
    }

private:
    std::filesystem::path mFolder;
};

std::optional<std::vector<uint8_t>> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 3 && std::string_view(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: gen-factory [--check] <resources/factory folder>\n");
        return 2;
    }
    const std::filesystem::path folder = argv[argc - 1];
    const std::filesystem::path sourcePath = folder / "programs.txt";
    std::ifstream source(sourcePath);
    if (!source) {
        std::fprintf(stderr, "gen-factory: cannot read %s\n", sourcePath.c_str());
        return 2;
    }

    ScratchHome home;
    QOR plug(nullptr);
    FactorySets sets;
    try {
        sets = Build(plug, ParseSource(source, plug));
    } catch (const SourceError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", sourcePath.c_str(), e.line, e.message.c_str());
        return 2;
    }
    if (sets.internal.size() != 3508 || sets.cartridge.size() != 3508 || sets.tobin.size() != 3900) {
        std::fprintf(stderr, "gen-factory: the SysEx sets came out at the wrong size\n");
        return 2;
    }

    const std::pair<const char*, const std::vector<uint8_t>*> outputs[] = {
        {"factory.fxb", &sets.bank},
        {"factory_int.syx", &sets.internal},
        {"factory_crd.syx", &sets.cartridge},
        {"tobins_patches.syx", &sets.tobin},
    };
    int status = 0;
    for (const auto& [name, bytes] : outputs) {
        const std::filesystem::path path = folder / name;
        if (check) {
            if (ReadFile(path) != *bytes) {
                std::fprintf(stderr, "gen-factory: %s is not what programs.txt makes; run gen-factory %s\n",
                             path.c_str(), folder.c_str());
                status = 1;
            }
        } else if (!WriteFile(path, *bytes)) {
            std::fprintf(stderr, "gen-factory: cannot write %s\n", path.c_str());
            status = 2;
        } else {
            std::printf("%s: %zu bytes\n", path.c_str(), bytes->size());
        }
    }
    return status;
}

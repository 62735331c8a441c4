#include "framework/HostKind.h"

#include <array>
#include <string>
#include <utility>

namespace qor {

namespace {

constexpr std::array<std::pair<std::string_view, EHostKind>, 26> kHostNames{{
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostCakewalk},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFruity},
    {"live", kHostLive},
    {"melodyne", kHostMelodyne},
    {"vstmanlib", kHostVstManLib},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostPreSonus},
    {"vst3plugintesthost", kHostVst3TestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"openmpt", kHostOpenMPT},
    {"renoise", kHostRenoise},
    {"standalone", kHostStandalone},
}};

}  // namespace

EHostKind HostKindFromProduct(std::string_view product)
{
    std::string lower(product);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const auto& [name, kind] : kHostNames)
        if (lower.find(name) != std::string::npos) return kind;
    return kHostUnknown;
}

int32_t PackHostVersion(int64_t decimalVersion)
{
    if (decimalVersion < 0 || decimalVersion > 0x7FFF * 10000LL) return 0;
    int64_t d = decimalVersion;
    return static_cast<int32_t>((d / 10000) << 16 | ((d % 10000) / 100) << 8 | d % 100);
}

}  // namespace qor

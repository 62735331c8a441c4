// Which host we run in, told apart by its product string. Some hosts need
// special treatment (see IPlugVST::HostSpecificInit).
#pragma once

#include <cstdint>
#include <string_view>

namespace qor {

enum EHostKind : int32_t {
    kHostUninit = -1,  // not yet asked
    kHostUnknown = 0,
    kHostReaper = 1,
    kHostProTools = 2,
    kHostCubase = 3,
    kHostNuendo = 4,
    kHostCakewalk = 5,
    kHostFruity = 7,
    kHostSamplitude = 8,
    kHostLive = 9,
    kHostMelodyne = 12,
    kHostVstManLib = 13,
    kHostAULab = 14,
    kHostForte = 15,
    kHostChainer = 16,
    kHostAudition = 17,
    kHostOrion = 18,
    kHostSAWStudio = 20,
    kHostLogic = 21,
    kHostGarageBand = 22,
    kHostDigitalPerformer = 23,
    kHostStandalone = 24,
    kHostAudioMulch = 25,
    kHostPreSonus = 26,
    kHostVst3TestHost = 27,
    kHostArdour = 28,
    kHostRenoise = 29,
    kHostOpenMPT = 30,
};

// Matches the lower-cased product string against the known names as
// substrings, in a fixed order; the first match wins ("cubase" before "live").
EHostKind HostKindFromProduct(std::string_view product);

// Packs a host's decimal version d as (d / 10000) << 16 | ((d % 10000) / 100) << 8 | d % 100.
int32_t PackHostVersion(int64_t decimalVersion);

}  // namespace qor

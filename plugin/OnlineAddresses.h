// Where the instrument looks online, set when it is built (QOR_UPDATE_HOST,
// QOR_MAKER_WEB in CMake). The defaults are reserved example names, so an
// unconfigured build contacts nobody's server.
#pragma once

#include <string_view>

namespace qor {

// The update server's host name, asked over HTTP on port 80.
inline constexpr std::string_view kUpdateHost = QOR_UPDATE_HOST;
inline constexpr int kUpdatePort = 80;
// The maker's web site: a domain, shown to the musician and opened in the browser.
inline constexpr std::string_view kMakerWeb = QOR_MAKER_WEB;

// This build's version as the musician reads it, and as the update server
// encodes it (major, minor, release in two digits: 1.1.1 is 1101).
inline constexpr std::string_view kVersionText = QOR_VERSION_TEXT;
inline constexpr int kVersionNumber = QOR_VERSION_MAJOR * 1000 + QOR_VERSION_MINOR * 100 + QOR_VERSION_PATCH;

}  // namespace qor

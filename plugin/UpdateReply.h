// What the update server's reply means. The server answers with a short text
// whose leading decimal number encodes a version: first digit major, second
// minor, the rest the release written with two digits (1.1.1 is 1101, 1.1.12
// is 1112). A web page instead of a number (anything holding a "<") means the
// request went to the wrong place.
#pragma once

#include <string>
#include <string_view>

namespace qor {

struct UpdateVerdict {
    enum Kind { NoReply, InvalidCall, UpToDate, NewVersion };
    Kind kind = NoReply;
    // For NewVersion: the version as the musician reads it, e.g. "1.1.12".
    std::string newVersion;
};

// ownVersion: this build's number in the server's encoding (1101 for 1.1.1);
// a reply of a greater number is a newer version.
UpdateVerdict EvaluateUpdateReply(std::string_view reply, int ownVersion);

}  // namespace qor

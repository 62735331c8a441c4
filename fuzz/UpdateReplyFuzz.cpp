// Feeds arbitrary server replies to the update check's evaluation: every reply
// has one meaning, never a crash; a new version is offered only for a reply
// with digits and no "<", and its text is digits and two dots.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugin/UpdateReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const qor::UpdateVerdict verdict = qor::EvaluateUpdateReply(reply, 1101);
    const bool hasTag = reply.find('<') != std::string_view::npos;
    switch (verdict.kind) {
    case qor::UpdateVerdict::NoReply:
        if (!reply.empty()) __builtin_trap();
        break;
    case qor::UpdateVerdict::InvalidCall:
        if (!hasTag) __builtin_trap();
        break;
    case qor::UpdateVerdict::UpToDate:
        if (hasTag || reply.empty()) __builtin_trap();
        break;
    case qor::UpdateVerdict::NewVersion: {
        if (hasTag || verdict.newVersion.size() < 4 || verdict.newVersion.size() > size + 2) __builtin_trap();
        int dots = 0;
        for (const char c : verdict.newVersion) {
            if (c == '.') ++dots;
            else if (c < '0' || c > '9') __builtin_trap();
        }
        if (dots != 2) __builtin_trap();
        break;
    }
    default:
        __builtin_trap();
    }
    if (verdict.kind != qor::UpdateVerdict::NewVersion && !verdict.newVersion.empty()) __builtin_trap();
    return 0;
}

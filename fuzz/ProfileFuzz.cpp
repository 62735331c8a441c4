// Arbitrary bytes as an INI file: reading never crashes and respects the
// limit; a write either lands exactly (the value reads back, other sections
// read as before) or is refused and leaves the file byte for byte as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "platform/Profile.h"

namespace {

std::string gPath;

void put(const std::string& text) { std::ofstream(gPath, std::ios::binary | std::ios::trunc) << text; }

std::string contents()
{
    std::ifstream in(gPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/qor-profile-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    gPath = std::string(pattern) + "/qor.ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace qor::platform;
    const std::string file(reinterpret_cast<const char*>(data), size);
    put(file);

    const size_t limit = size % 70;
    for (const char* section : {"Global", "global", "MIDI Control", "Editor"})
        for (const char* key : {"Link", "K3 Function", "CC7", "Show Information"})
            if (GetProfileString(section, key, "default value", limit, gPath).size() > limit) __builtin_trap();

    // A value taken from the input itself, without the blanks the reader trims.
    std::string value = file.substr(0, size / 3);
    while (!value.empty() && blank(value.front())) value.erase(value.begin());
    while (!value.empty() && blank(value.back())) value.pop_back();
    const std::string before = contents();
    const std::string editor = GetProfileString("Editor", "Show Information", "<none>", 100000, gPath);
    if (WriteProfileString("Global", "Link", value, gPath)) {
        if (GetProfileString("global", "LINK", "<none>", 100000, gPath) != value) __builtin_trap();
        if (GetProfileString("Editor", "Show Information", "<none>", 100000, gPath) != editor) __builtin_trap();
    } else if (contents() != before) {
        __builtin_trap();
    }

    const std::string lines[] = {"CC1=" + value, "CC2=3"};
    const std::string beforeSection = contents();
    if (WriteProfileSection("MIDI Control", lines, gPath)) {
        if (GetProfileString("MIDI Control", "CC2", "<none>", 100, gPath) != "3") __builtin_trap();
        if (GetProfileString("MIDI Control", "CC7", "<none>", 100, gPath) != "<none>") __builtin_trap();
    } else if (contents() != beforeSection) {
        __builtin_trap();
    }
    return 0;
}

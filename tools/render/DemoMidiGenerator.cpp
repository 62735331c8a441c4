// Writes the demo song (see DemoSong.h) as a Standard MIDI File.
// Usage: gen-demo-midi [output path], by default resources/demo/demo.mid.
#include "tools/render/DemoSong.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : "resources/demo/demo.mid";
    const std::vector<uint8_t> bytes = qor::demoSongBytes();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "gen-demo-midi: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    return 0;
}

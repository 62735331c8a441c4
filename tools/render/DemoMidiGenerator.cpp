// Writes the demo song and the factory tour (see DemoSong.h) as Standard MIDI
// Files. Usage: gen-demo-midi [demo path [tour path]], by default
// resources/demo/demo.mid and resources/demo/tour.mid.
#include "tools/render/DemoSong.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "gen-demo-midi: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string demo = argc > 1 ? argv[1] : "resources/demo/demo.mid";
    const std::string tour = argc > 2 ? argv[2] : "resources/demo/tour.mid";
    const bool ok = write(demo, qor::demoSongBytes());
    return ok && write(tour, qor::factoryTourBytes()) ? 0 : 1;
}

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/Folders.h"

namespace qor::platform {

namespace {

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}

}  // namespace

std::string ConfigFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return xdg;  // the XDG rules ignore relative paths
    return JoinPath(homeFolder(), ".config");
}

std::string DocumentsFolder()
{
    const std::string documents = JoinPath(homeFolder(), "Documents");
    return PathExists(documents) ? documents : homeFolder();
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool PathExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0 || PathExists(path); }

bool TouchFile(const std::string& path)
{
    if (PathExists(path)) return true;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace qor::platform

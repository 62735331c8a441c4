// The plug-in reads and writes its configuration under the home folder, so a
// fuzz target that builds one points HOME and XDG_CONFIG_HOME at a fresh
// temporary folder first (never the real user's), removed again on exit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace qor::fuzz {

inline std::string& FuzzHomeFolder()
{
    static std::string folder;
    return folder;
}

// Creates the folder (named after the target) and returns its configuration
// folder. `ini`, when given, becomes the plug-in's qor.ini.
inline std::filesystem::path UseTemporaryHome(const char* target, const char* ini = nullptr)
{
    std::string folder = (std::filesystem::temp_directory_path() / (std::string("qor-") + target + "-XXXXXX")).string();
    if (!mkdtemp(folder.data())) std::abort();
    FuzzHomeFolder() = folder;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(FuzzHomeFolder(), ignored);
    });
    const std::filesystem::path config = std::filesystem::path(folder) / ".config";
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    std::filesystem::create_directories(config / "Marrowind");
    if (ini) {
        FILE* file = std::fopen((config / "Marrowind" / "qor.ini").c_str(), "wb");
        if (!file) std::abort();
        std::fputs(ini, file);
        std::fclose(file);
    }
    return config;
}

}  // namespace qor::fuzz

// A plug-in instance for a fuzz target, and the checks every such target
// makes. The plug-in reads and writes its configuration under the home
// folder, so HOME and XDG_CONFIG_HOME point at a fresh temporary folder first
// (never the real user's), removed again on exit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "plugin/QOR.h"

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

// An instance as a host has it right after creation, every empty slot
// holding the initial state. NewInstance also makes the temporary home, once
// per target; MakeInstance makes further ones in it.
inline std::unique_ptr<QOR> MakeInstance()
{
    auto plug = std::make_unique<QOR>(nullptr);
    plug->FillEmptyPresets(nullptr, 100);
    return plug;
}

inline std::unique_ptr<QOR> NewInstance(const char* target)
{
    UseTemporaryHome(target);
    return MakeInstance();
}

// What a target wants done before a broken promise stops the fuzzer, such as
// writing down the inputs that led there.
inline void (*&BeforeStop())()
{
    static void (*action)() = nullptr;
    return action;
}

// A broken promise stops the fuzzer with the input that broke it.
inline void Check(bool condition)
{
    if (condition) return;
    if (BeforeStop()) BeforeStop()();
    __builtin_trap();
}

// Whatever arrived: every parameter inside its range, a valid current slot.
inline void CheckInstance(const QOR& plug)
{
    for (int i = 0; i < plug.NParams(); ++i) {
        const IParameter* p = plug.GetParam(i);
        Check(p->Value() >= p->Min() && p->Value() <= p->Max());
    }
    Check(plug.GetCurrentPresetIndex() >= 0 && plug.GetCurrentPresetIndex() < plug.NPresets());
}

}  // namespace qor::fuzz

// A throw-away home folder for tests that construct a plug-in (ours or a
// third party's): HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point into a fresh
// temporary folder for the fixture's lifetime, so that configuration files
// and default folders never touch the real user's files. The previous values come back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace qor::test {

class TestHome {
public:
    TestHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "qor-home-XXXXXX").string();
        if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot create a temporary home folder";
        mRoot = pattern;
        Save("HOME", mOldHome);
        Save("XDG_CONFIG_HOME", mOldConfig);
        Save("XDG_DATA_HOME", mOldData);
        setenv("HOME", mRoot.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (mRoot / ".config").c_str(), 1);
        setenv("XDG_DATA_HOME", (mRoot / ".local" / "share").c_str(), 1);
        std::filesystem::create_directories(mRoot / ".config");
    }
    ~TestHome()
    {
        Restore("HOME", mOldHome);
        Restore("XDG_CONFIG_HOME", mOldConfig);
        Restore("XDG_DATA_HOME", mOldData);
        std::error_code ignored;
        std::filesystem::remove_all(mRoot, ignored);
    }
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    const std::filesystem::path& Root() const { return mRoot; }
    std::string File(const std::string& name) const { return (mRoot / name).string(); }

private:
    static void Save(const char* name, std::optional<std::string>& value)
    {
        if (const char* v = std::getenv(name)) value = v;
    }
    static void Restore(const char* name, const std::optional<std::string>& value)
    {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

    std::filesystem::path mRoot;
    std::optional<std::string> mOldHome;
    std::optional<std::string> mOldConfig;
    std::optional<std::string> mOldData;
};

}  // namespace qor::test

#include "plugin/StartFolders.h"

#include <filesystem>

namespace qor {

StartFolders& StartFolders::Shared()
{
    static StartFolders folders;
    return folders;
}

void StartFolders::InitialiseOnce(const std::string& program, const std::string& sysex, const std::string& startupBank)
{
    const std::lock_guard lock(mMutex);
    if (mInitialised) return;
    mInitialised = true;
    mFolders[kProgram] = program;
    mFolders[kSysEx] = sysex;
    mFolders[kStartupBank] = startupBank;
}

std::string StartFolders::Folder(Kind kind) const
{
    const std::lock_guard lock(mMutex);
    return mFolders[kind];
}

std::string StartFolders::FollowChosenFile(Kind kind, const std::string& path)
{
    const std::string folder = FolderOf(path);
    const std::lock_guard lock(mMutex);
    if (!folder.empty()) mFolders[kind] = folder;
    return mFolders[kind];
}

std::string StartFolders::FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

}  // namespace qor

// The folders the file dialogs open in, shared by every instance in the
// process: one for program and bank files, one for SysEx and WAV files, one
// for the startup bank. They are set from the first instance's settings when
// its first command runs, and afterwards follow the musician: the folder of a
// file chosen in a dialog becomes that dialog's folder.
//
// Threads: editor threads (several instances may have their own); each call
// takes the class's own lock, never the main lock.
#pragma once

#include <mutex>
#include <string>

namespace qor {

class StartFolders {
public:
    enum Kind { kProgram = 0, kSysEx = 1, kStartupBank = 2 };

    // The one instance of the process.
    static StartFolders& Shared();

    // Sets the three folders unless they were set before.
    void InitialiseOnce(const std::string& program, const std::string& sysex, const std::string& startupBank);
    std::string Folder(Kind kind) const;
    // The folder part of a chosen file becomes the kind's folder. An empty
    // path, or one without a folder part, changes nothing. Returns the folder
    // now in effect.
    std::string FollowChosenFile(Kind kind, const std::string& path);

    // The folder part of a path ("" when it has none).
    static std::string FolderOf(const std::string& path);

private:
    mutable std::mutex mMutex;
    bool mInitialised = false;
    std::string mFolders[3];
};

}  // namespace qor

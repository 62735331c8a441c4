// Where the instrument keeps its files on this system.
#pragma once

#include <string>

namespace qor::platform {

// The per-user configuration folder: $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigFolder();
// The user's documents folder: ~/Documents when it exists, else the home folder.
std::string DocumentsFolder();
// Joins a folder and a name with the system's separator.
std::string JoinPath(const std::string& folder, const std::string& name);
bool PathExists(const std::string& path);
// Creates one folder (its parent must exist). False when it could not be made.
bool MakeFolder(const std::string& path);
// Creates an empty file unless it exists. False when it could not be made.
bool TouchFile(const std::string& path);

}  // namespace qor::platform

// The utility commands as the editor's keys and utility menu reach them:
// file, memory and settings operations, each by its number. QOR implements it.
// Called on the editor's thread; questions to the musician go through
// IUserServices and continue the command when answered.
#pragma once

namespace qor {

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual void RunCommand(int number) = 0;
    // Builds the utility menu afresh and opens it at (x, y); the chosen item
    // runs its command.
    virtual void OpenUtilityMenu(int x, int y) = 0;
};

}  // namespace qor

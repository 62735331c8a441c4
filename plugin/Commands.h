// The utility commands: every file, memory and settings operation the
// utility menu and the editor's utility buttons run by number, with their
// confirmations, file dialogs, error boxes and information-line messages.
//
// Questions go to the musician through IUserServices and the command goes on
// in the answer's continuation, so the editor's thread is never held. One
// command runs at a time: a request that comes while a command waits for an
// answer is ignored. An answer that arrives after the instrument is gone does
// nothing. Commands that write program or wave memory check the memory
// protection before their first question and again when the last answer
// arrives (the panel switch may have moved in between); while it is on they
// only raise the protection warning.
//
// Threads: the editor's thread. The operations called take the main lock
// themselves; the settings toggled here are changed under it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "plugin/StartFolders.h"
#include "plugin/UtilityMenu.h"

namespace qor {

class QOR;

class Commands {
public:
    // What the "Go Online..." items do. The menu shows "Visit <makerDomain>";
    // an item whose action is empty is disabled.
    struct OnlineActions {
        std::string makerDomain;
        std::function<void()> checkForUpdate;
        std::function<void()> visitMaker;
    };

    explicit Commands(QOR& plug, StartFolders& folders = StartFolders::Shared());
    ~Commands();
    Commands(const Commands&) = delete;
    Commands& operator=(const Commands&) = delete;

    void Run(int number);
    // Builds the utility menu from the state of the moment and opens it at
    // (x, y); the chosen item runs its command.
    void OpenMenu(int x, int y);
    // True while a command waits for an answer.
    bool Busy() const;

    void SetOnlineActions(OnlineActions actions) { mOnline = std::move(actions); }
    UtilityMenuState MenuState() const;

    // A program name as a file name: each of < > : " / \ | ? * becomes "_".
    static std::string ProposedFileName(std::string_view name);

private:
    struct Session;
    class Running;
    using Ticket = std::shared_ptr<Running>;
    using Then = std::function<void()>;
    using ThenPath = std::function<void(const std::string&)>;

    void Execute(int number, const Ticket& ticket);
    void InitialiseFolders();

    // Raises the protection warning when memory protection is on.
    bool Refused();
    void Confirm(const Ticket& ticket, const std::string& text, const std::string& title, Then yes);
    void ChooseFile(const Ticket& ticket, bool save, StartFolders::Kind kind, const char* extension,
                    const std::string& proposedName, ThenPath then);
    void ReportError(const Ticket& ticket, const char* text);
    void Inform(const Ticket& ticket, const std::string& text, const std::string& title);

    // The flows that ask more than one question.
    void LoadFile(const Ticket& ticket, int number);
    void SaveFile(const Ticket& ticket, int number);
    void LoadSysExFile(const Ticket& ticket);
    void LoadStartupBank(const Ticket& ticket);
    void ChooseDefaultFolder(const Ticket& ticket, bool program);
    void Toggle(int number);

    QOR& mPlug;
    StartFolders& mFolders;
    std::shared_ptr<Session> mSession;
    OnlineActions mOnline;
};

}  // namespace qor

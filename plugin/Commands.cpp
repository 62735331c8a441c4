#include "plugin/Commands.h"

#include <cstdio>
#include <memory>

#include "framework/ProgramFiles.h"
#include "plugin/CommandNumbers.h"
#include "plugin/QOR.h"

namespace qor {

namespace {

constexpr const char* kCannotLoad = "Cannot load file!";
constexpr const char* kCannotSave = "Cannot save file!";
constexpr const char* kErrorTitle = "Error";
constexpr const char* kBankName = "QOR";

constexpr int kConfirmStyle = IUserServices::kYesNo | IUserServices::kIconInformation;

// The SysEx file's kinds, as the classifier names them, and the question for each.
struct SysExQuestion {
    const char* text;
    const char* title;
};
SysExQuestion SysExQuestionFor(int kind)
{
    switch (kind) {
        case 4: return {"This SysEx file will overwrite one or more programs.\nDo you want to continue?", "Load SysEx Program(s)"};
        case 5: return {"This SysEx file will overwrite one of your User Waves.\nDo you want to continue?", "Load SysEx Program Bank"};
        case 6:
            return {"This SysEx file contains 50 programs.\nDo you really want to overwrite all internal programs?",
                    "Load SysEx Program Bank"};
        case 7:
            return {"This SysEx file contains 50 programs.\nDo you really want to overwrite all cartridge programs?",
                    "Load SysEx Program Bank"};
        default: return {"This SysEx file may or may not do something to QOR.\nDo you want to continue?", "Load SysEx Program Bank"};
    }
}

bool Readable(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    return file != nullptr;
}

// The user-wave file names carry the program's number, counted from 1.
std::string UserWaveFileName(int slot, bool cartridge)
{
    char name[32];
    std::snprintf(name, sizeof name, cartridge ? "UserWave_%03iC" : "UserWave_%03iI", slot + 1);
    return Commands::ProposedFileName(name);
}

}  // namespace

// Lives as long as the Commands object; a running command only holds it weakly.
struct Commands::Session {
    bool busy = false;
};

// Held by every continuation of one command; when the last of them is gone
// (answered to the end, or dropped by whoever asked), the next command may run.
class Commands::Running {
public:
    explicit Running(const std::shared_ptr<Session>& session) : mSession(session) { session->busy = true; }
    ~Running()
    {
        if (auto session = mSession.lock()) session->busy = false;
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    bool Alive() const { return !mSession.expired(); }

private:
    std::weak_ptr<Session> mSession;
};

Commands::Commands(QOR& plug, StartFolders& folders)
    : mPlug(plug), mFolders(folders), mSession(std::make_shared<Session>())
{
}

Commands::~Commands() = default;

bool Commands::Busy() const { return mSession->busy; }

std::string Commands::ProposedFileName(std::string_view name)
{
    std::string file(name);
    for (char& c : file) {
        switch (c) {
            case '<': case '>': case ':': case '"': case '/': case '\\': case '|': case '?': case '*': c = '_'; break;
            default: break;
        }
    }
    return file;
}

void Commands::Run(int number)
{
    if (Busy()) return;
    Execute(number, std::make_shared<Running>(mSession));
}

UtilityMenuState Commands::MenuState() const
{
    auto lock = mPlug.LockMain();
    UtilityMenuState state;
    state.clipboardFull = mPlug.copiedProgram >= 0 && !mPlug.clipboard.Empty();
    state.startupBankSet = !mPlug.startupBankPath.empty();
    state.midiThru = mPlug.midiThru;
    // Levels shown "1" to "3" ignore program changes whatever the option says.
    state.ignoreProgramChangeShown = mPlug.ignoreProgramChange || mPlug.k3FunctionLevel < 3;
    state.sendParameterSysEx = mPlug.sendParameterSysEx;
    state.showInformation = mPlug.showInformation;
    state.makerDomain = mOnline.makerDomain;
    state.updateCheckAvailable = static_cast<bool>(mOnline.checkForUpdate);
    state.visitAvailable = static_cast<bool>(mOnline.visitMaker);
    return state;
}

void Commands::OpenMenu(int x, int y)
{
    if (Busy()) return;
    const Ticket ticket = std::make_shared<Running>(mSession);
    const IPopupMenu menu = BuildUtilityMenu(MenuState());
    mPlug.Services().ShowPopupMenu(menu, x, y, [this, ticket](int tag) {
        if (!ticket->Alive() || tag < 0) return;
        if (tag == command::kVisitMaker) {
            if (mOnline.visitMaker) mOnline.visitMaker();
            return;
        }
        Execute(tag, ticket);
    });
}

void Commands::InitialiseFolders()
{
    mFolders.InitialiseOnce(mPlug.programFolder, mPlug.sysexFolder, mPlug.documentsFolder);
}

bool Commands::Refused()
{
    if (!mPlug.writeProtect) return false;
    mPlug.storeRefused = true;
    return true;
}

void Commands::Confirm(const Ticket& ticket, const std::string& text, const std::string& title, Then yes)
{
    mPlug.Services().ShowMessage(text, title, kConfirmStyle, [ticket, yes = std::move(yes)](int answer) {
        if (ticket->Alive() && answer == IUserServices::kAnswerYes) yes();
    });
}

void Commands::ChooseFile(const Ticket& ticket, bool save, StartFolders::Kind kind, const char* extension,
                          const std::string& proposedName, ThenPath then)
{
    IUserServices::FileRequest request;
    request.save = save;
    request.folder = mFolders.Folder(kind);
    request.extension = extension;
    request.proposedName = proposedName;
    mPlug.Services().ChooseFile(request, [this, ticket, kind, then = std::move(then)](const std::string& path) {
        // No file chosen: the command ends without a word.
        if (!ticket->Alive() || path.empty()) return;
        mFolders.FollowChosenFile(kind, path);
        then(path);
    });
}

void Commands::ReportError(const Ticket& ticket, const char* text)
{
    Inform(ticket, text, kErrorTitle);
}

void Commands::Inform(const Ticket& ticket, const std::string& text, const std::string& title)
{
    mPlug.Services().ShowMessage(text, title, IUserServices::kOk | IUserServices::kIconError, [ticket](int) {});
}

void Commands::Execute(int number, const Ticket& ticket)
{
    using namespace command;
    InitialiseFolders();
    mPlug.infoMessage = kInfoVersion;
    switch (number) {
        case kCopyProgram:
            mPlug.CopyProgram();
            mPlug.infoMessage = kInfoProgramCopied;
            break;
        case kPasteProgram:
            if (Refused()) return;
            if (mPlug.copiedProgram < 0 || mPlug.clipboard.Empty()) return;
            Confirm(ticket, "Do you really want to overwrite the current program?", "Paste Program", [this] {
                if (!Refused()) mPlug.PasteProgram();
            });
            break;
        case kInitProgram:
            if (Refused()) return;
            Confirm(ticket, "Do you really want to initialize the current program?", "Initialize Program", [this] {
                if (!Refused()) mPlug.InitProgram();
            });
            break;
        case kLoadProgram:
        case kLoadBank:
        case kLoadUserWaveInternal:
        case kLoadUserWaveCartridge: LoadFile(ticket, number); break;
        case kSaveProgram:
        case kSaveBank:
        case kSaveSysExProgram:
        case kSaveSysExBank:
        case kSaveUserWaveInternal:
        case kSaveUserWaveCartridge:
        case kSaveUserWaveSysExInternal:
        case kSaveUserWaveSysExCartridge: SaveFile(ticket, number); break;
        case kLoadSysExFile: LoadSysExFile(ticket); break;
        case kSelectStartupBank:
            ChooseFile(ticket, false, StartFolders::kStartupBank, "fxb", {}, [this](const std::string& path) {
                mPlug.SetStartupBank(path);
            });
            break;
        case kLoadStartupBank: LoadStartupBank(ticket); break;
        case kUnselectStartupBank:
            if (mPlug.startupBankPath.empty()) return;
            Confirm(ticket, "The Startup Bank is:\n" + mPlug.startupBankPath + "\n\nDo you really want to unselect it?",
                    "Unselect Startup Bank", [this] { mPlug.ClearStartupBank(); });
            break;
        case kProgramFolder: ChooseDefaultFolder(ticket, true); break;
        case kSysExFolder: ChooseDefaultFolder(ticket, false); break;
        case kReloadConfiguration:
            Confirm(ticket, "The INI configuration file is:\n" + mPlug.configPath + "\n\nDo you really want to reload it?",
                    "Reload Configuration", [this, ticket] {
                        int result = 0;
                        {
                            auto lock = mPlug.LockMain();
                            result = mPlug.ReadConfiguration();
                        }
                        if (result == 11) Inform(ticket, "The INI file does not exist.", "Problem with INI File");
                    });
            break;
        case kSaveConfiguration:
            Confirm(ticket, "The INI configuration file is:\n" + mPlug.configPath + "\n\nDo you really want to overwrite it?",
                    "Save Configuration", [this] { mPlug.WriteConfiguration(-1); });
            break;
        case kRestoreInternal:
        case kRestoreCartridge:
        case kLoadTobins: {
            if (Refused()) return;
            const char* text = number == kRestoreCartridge ? "Do you really want to overwrite all cartridge programs?"
                                                           : "Do you really want to overwrite all internal programs?";
            const char* title = number == kRestoreInternal    ? "Restore Internal Factory Sounds"
                                : number == kRestoreCartridge ? "Restore Cartridge Factory Sounds"
                                                              : "Load Tobin's Sounds";
            Confirm(ticket, text, title, [this, number] {
                if (!Refused()) mPlug.RestoreFactorySounds(number);
            });
            break;
        }
        case kShowInformation:
        case kMidiThru:
        case kIgnoreProgramChange:
        case kSendParameterSysEx: Toggle(number); break;
        case kCheckForUpdate:
            if (mOnline.checkForUpdate) mOnline.checkForUpdate();
            break;
        default: break;
    }
}

void Commands::Toggle(int number)
{
    using namespace command;
    {
        auto lock = mPlug.LockMain();
        switch (number) {
            case kShowInformation: mPlug.showInformation = !mPlug.showInformation; break;
            case kMidiThru: mPlug.midiThru = !mPlug.midiThru; break;
            // The option becomes the opposite of what the menu shows, so at
            // the levels that ignore program changes anyway it stays off.
            case kIgnoreProgramChange: mPlug.ignoreProgramChange = !MenuState().ignoreProgramChangeShown; break;
            case kSendParameterSysEx: mPlug.sendParameterSysEx = !mPlug.sendParameterSysEx; break;
            default: return;
        }
    }
    mPlug.WriteConfiguration(number);
}

void Commands::LoadFile(const Ticket& ticket, int number)
{
    using namespace command;
    if (Refused()) return;
    const bool bank = number == kLoadBank;
    const bool wave = number == kLoadUserWaveInternal || number == kLoadUserWaveCartridge;
    const StartFolders::Kind kind = wave ? StartFolders::kSysEx : StartFolders::kProgram;
    const char* extension = wave ? "wav" : (bank ? "fxb" : "fxp");
    ChooseFile(ticket, false, kind, extension, {}, [this, ticket, number, bank, wave](const std::string& path) {
        if (Refused()) return;
        bool loaded = false;
        if (wave) {
            loaded = mPlug.LoadUserWaveWav(number == kLoadUserWaveInternal ? 0 : 1, path);
        } else if (bank) {
            loaded = LoadBankFile(mPlug, path);
            if (loaded) mPlug.infoMessage = kInfoBankLoaded;
        } else {
            loaded = LoadProgramFile(mPlug, path);
            if (loaded) mPlug.infoMessage = kInfoProgramLoaded;
        }
        if (!loaded) ReportError(ticket, kCannotLoad);
    });
}

void Commands::SaveFile(const Ticket& ticket, int number)
{
    using namespace command;
    const int slot = mPlug.GetCurrentPresetIndex();
    std::string proposed;
    StartFolders::Kind kind = StartFolders::kSysEx;
    const char* extension = "syx";
    switch (number) {
        case kSaveProgram:
            kind = StartFolders::kProgram;
            extension = "fxp";
            proposed = ProposedFileName(mPlug.LiveProgramName());
            break;
        case kSaveBank:
            kind = StartFolders::kProgram;
            extension = "fxb";
            proposed = kBankName;
            break;
        case kSaveSysExProgram: proposed = ProposedFileName(mPlug.LiveProgramName()); break;
        case kSaveSysExBank: proposed = kBankName; break;
        case kSaveUserWaveInternal:
        case kSaveUserWaveCartridge:
            extension = "wav";
            proposed = UserWaveFileName(slot, number == kSaveUserWaveCartridge);
            break;
        default: proposed = UserWaveFileName(slot, number == kSaveUserWaveSysExCartridge); break;
    }
    ChooseFile(ticket, true, kind, extension, proposed, [this, ticket, number](const std::string& path) {
        bool saved = false;
        switch (number) {
            case kSaveProgram:
                mPlug.ModifyCurrentPreset();
                saved = SaveProgramFile(mPlug, path);
                break;
            case kSaveBank:
                mPlug.ModifyCurrentPreset();
                saved = SaveBankFile(mPlug, path);
                break;
            case kSaveSysExProgram:
                mPlug.ModifyCurrentPreset();
                saved = mPlug.SendProgramDump(mPlug.GetCurrentPresetIndex(), path);
                break;
            case kSaveSysExBank:
                mPlug.ModifyCurrentPreset();
                saved = mPlug.SendBankDump(0, path);
                break;
            case kSaveUserWaveInternal: saved = mPlug.SaveUserWaveWav(0, path); break;
            case kSaveUserWaveCartridge: saved = mPlug.SaveUserWaveWav(1, path); break;
            case kSaveUserWaveSysExInternal: saved = mPlug.SendUserWaveDump(0, path); break;
            default: saved = mPlug.SendUserWaveDump(1, path); break;
        }
        if (!saved) ReportError(ticket, kCannotSave);
    });
}

void Commands::LoadSysExFile(const Ticket& ticket)
{
    if (Refused()) return;
    ChooseFile(ticket, false, StartFolders::kSysEx, "syx", {}, [this, ticket](const std::string& path) {
        // A file that cannot be read is a failed load, not an empty one.
        if (!Readable(path)) {
            ReportError(ticket, kCannotLoad);
            return;
        }
        const SysExQuestion question = SysExQuestionFor(mPlug.ClassifySysExFile(path));
        Confirm(ticket, question.text, question.title, [this, ticket, path] {
            if (Refused()) return;
            // Messages before a refused one would stay applied: a failed
            // load is undone as a whole (in the step that applies it, so
            // the decoding holds no lock).
            const bool loaded = mPlug.LoadSysExFile(path, true);
            if (!loaded) {
                auto lock = mPlug.LockMain();
                mPlug.infoMessage = kInfoVersion;
            }
            if (!loaded) ReportError(ticket, kCannotLoad);
        });
    });
}

void Commands::LoadStartupBank(const Ticket& ticket)
{
    // Reloading every program is a write like any bank load.
    if (Refused()) return;
    const std::string path = mPlug.startupBankPath;
    if (path.empty()) return;
    Confirm(ticket, "The Startup Bank is:\n" + path + "\n\nDo you really want to reload all programs?", "Load Startup Bank",
            [this, ticket, path] {
                if (Refused()) return;
                // The bank the musician confirmed, not whatever the setting names by now.
                if (LoadBankFile(mPlug, path))
                    mPlug.infoMessage = kInfoBankLoaded;
                else
                    ReportError(ticket, kCannotLoad);
            });
}

void Commands::ChooseDefaultFolder(const Ticket& ticket, bool program)
{
    const StartFolders::Kind kind = program ? StartFolders::kProgram : StartFolders::kSysEx;
    ChooseFile(ticket, true, kind, " ", "[file name is ignored]", [this, kind, program](const std::string&) {
        const std::string folder = mFolders.Folder(kind);
        if (program) {
            mPlug.programFolder = folder;
            mPlug.WriteProgramFolder();
        } else {
            mPlug.sysexFolder = folder;
            mPlug.WriteSysExFolder();
        }
    });
}

}  // namespace qor

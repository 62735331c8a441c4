// What the instrument asks of the person in front of it: a message box, a
// file dialog, a popup menu, opening a web address. The editor offers these;
// the commands and panel keys use them.
//
// Every question is answered through a continuation instead of a return
// value: on Windows the answer may come at once from a modal box, on Linux a
// box drawn inside the editor answers on a later idle call, so the host's
// thread is never held while the musician thinks. A continuation runs on the
// editor's thread with no lock held, exactly once (a dismissed question
// answers No, Cancel, an empty path or no item).
#pragma once

#include <functional>
#include <string>

#include "framework/IPopupMenu.h"

namespace qor {

class IUserServices {
public:
    // Message box styles and answers, with the values the Windows API gives them.
    static constexpr int kOk = 0;
    static constexpr int kYesNo = 4;
    static constexpr int kIconError = 16;
    static constexpr int kIconInformation = 64;
    static constexpr int kAnswerOk = 1;
    static constexpr int kAnswerYes = 6;
    static constexpr int kAnswerNo = 7;

    struct FileRequest {
        bool save = false;
        std::string folder;        // where the dialog starts
        std::string extension;     // without the dot, e.g. "fxp"
        std::string proposedName;  // save dialogs: the file name offered
    };

    virtual ~IUserServices() = default;

    // With nobody to ask (no window, no editor), every question is answered
    // as the musician would by closing the box: No or OK, no path, no item.

    // style: kOk or kYesNo, plus an icon. The answer is one of kAnswer*.
    virtual void ShowMessage(const std::string& text, const std::string& title, int style,
                             std::function<void(int answer)> then)
    {
        if (then) then((style & kYesNo) == kYesNo ? kAnswerNo : kAnswerOk);
    }
    // The chosen path, or empty when the musician cancelled.
    virtual void ChooseFile(const FileRequest& request, std::function<void(const std::string& path)> then)
    {
        if (then) then(std::string());
    }
    // The chosen item's tag, or -1 when the menu was dismissed. x and y are
    // editor pixels where the menu opens.
    virtual void ShowPopupMenu(const IPopupMenu& menu, int x, int y, std::function<void(int tag)> then)
    {
        if (then) then(-1);
    }
    // Opens the address in the web browser without waiting for it.
    virtual void OpenAddress(const std::string& address) {}
};

}  // namespace qor

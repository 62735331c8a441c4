// A common file dialog (open or save) on a thread of its own, so the host's
// thread goes on while the musician chooses. The editor asks Poll() on its
// timer; the answer is the chosen path, or empty when the dialog was
// cancelled or failed.
//
// The dialog has no owner window: an owner on the editor's thread would tie
// the two threads' input together and could be destroyed under the dialog.
// Dropping the object (the editor closed, the instrument gone) cancels a
// dialog still open and never waits for it; the thread ends on its own.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "framework/IGraphicsWindowed.h"
#include "framework/IUserServices.h"

namespace qor {

class FileDialogThread final : public IFileDialog {
public:
    // The longest path the dialog hands back, terminator included.
    static constexpr int kPathCapacity = 4096;

    // Null when no thread can be started.
    static std::unique_ptr<FileDialogThread> Start(const IUserServices::FileRequest& request);
    ~FileDialogThread();

    FileDialogThread(const FileDialogThread&) = delete;
    FileDialogThread& operator=(const FileDialogThread&) = delete;

    // The answer once the dialog has closed, nothing while it is open.
    std::optional<std::string> Poll() override;
    // Closes the dialog as its Cancel button would (now or as soon as it
    // appears); Poll() then answers empty.
    void Cancel();

    // The filter list the dialog offers for an extension ("fxp"): pairs of
    // zero-terminated texts, ended by an empty one.
    static std::string Filter(const std::string& extension);

    struct Shared;

private:
    explicit FileDialogThread(std::shared_ptr<Shared> shared) : mShared(std::move(shared)) {}
    std::shared_ptr<Shared> mShared;
};

}  // namespace qor

// A file dialog run as a separate program, zenity or kdialog, whichever is on
// PATH when it is asked for; the chosen path is picked up on idle.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/IGraphicsWindowed.h"
#include "framework/IUserServices.h"
#include "framework/linux/ChildProcess.h"

namespace qor {

class FileDialogProcess final : public IFileDialog {
public:
    // The command line for the first dialog program found, or nothing when
    // the machine has neither.
    static std::optional<std::vector<std::string>> Command(const IUserServices::FileRequest& request);
    // Null when no dialog program exists or it could not start.
    static std::unique_ptr<FileDialogProcess> Start(const IUserServices::FileRequest& request);

    // Nothing while the musician is still choosing; then the chosen path,
    // empty when the dialog was cancelled or failed.
    std::optional<std::string> Poll() override;

private:
    explicit FileDialogProcess(std::unique_ptr<ChildProcess> process) : mProcess(std::move(process)) {}
    std::unique_ptr<ChildProcess> mProcess;  // destroyed (killed, reaped) with the dialog
};

}  // namespace qor

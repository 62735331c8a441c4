#include "framework/linux/FileDialogProcess.h"

#include <cctype>

namespace qor {

namespace {

std::string StartPath(const IUserServices::FileRequest& request)
{
    std::string path = request.folder;
    if (!path.empty() && path.back() != '/') path += '/';
    if (request.save) path += request.proposedName;
    return path;
}

std::string Upper(std::string s)
{
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::optional<std::vector<std::string>> FileDialogProcess::Command(const IUserServices::FileRequest& request)
{
    const std::string title = request.save ? "Save File" : "Open File";
    // Only letters and digits make an extension ("fxp"); a blank one (a
    // folder chosen through a save dialog) filters nothing.
    std::string extension;
    for (char c : request.extension)
        if (std::isalnum(static_cast<unsigned char>(c))) extension.push_back(c);
    const std::string pattern = extension.empty() ? "*" : "*." + extension;
    const std::string kind = extension.empty() ? "All files" : Upper(extension) + " files";
    if (std::string zenity = ChildProcess::FindOnPath("zenity"); !zenity.empty()) {
        std::vector<std::string> argv{zenity, "--file-selection", "--title=" + title};
        if (request.save) {
            argv.push_back("--save");
            argv.push_back("--confirm-overwrite");
        }
        if (const std::string start = StartPath(request); !start.empty()) argv.push_back("--filename=" + start);
        argv.push_back("--file-filter=" + kind + " | " + pattern);
        if (!extension.empty()) argv.push_back("--file-filter=All files | *");
        return argv;
    }
    if (std::string kdialog = ChildProcess::FindOnPath("kdialog"); !kdialog.empty()) {
        std::string start = StartPath(request);
        if (start.empty()) start.push_back('.');  // the current folder
        return std::vector<std::string>{kdialog, "--title", title,
                                        request.save ? "--getsavefilename" : "--getopenfilename", start,
                                        pattern + "|" + kind};
    }
    return std::nullopt;
}

std::unique_ptr<FileDialogProcess> FileDialogProcess::Start(const IUserServices::FileRequest& request)
{
    const auto argv = Command(request);
    if (!argv) return nullptr;
    auto process = ChildProcess::Start(*argv);
    if (!process) return nullptr;
    return std::unique_ptr<FileDialogProcess>(new FileDialogProcess(std::move(process)));
}

std::optional<std::string> FileDialogProcess::Poll()
{
    if (!mProcess->Poll()) return std::nullopt;
    if (mProcess->ExitCode() != 0) return std::string();  // cancelled
    std::string path = mProcess->Output();
    // One path on one line; anything after the first line is no path of ours.
    if (const size_t end = path.find('\n'); end != std::string::npos) path.resize(end);
    if (path.empty() || path.front() != '/') return std::string();
    return path;
}

}  // namespace qor

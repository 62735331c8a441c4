#include <windows.h>
#include <objbase.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/MtsEspLibrary.h"

namespace qor {

// "<common program files>\MTS-ESP\LIBMTS.dll", where the MTS-ESP installers
// put the library; looked up by this full path only. "" when the folder
// cannot be found or the path does not fit the system's path limit (a cut
// path would name some other file), which leaves the instrument in
// twelve-tone equal temperament.
std::string MtsEspDefaultPath()
{
    // Both functions are imported by the plug-in (shell32, ole32), so they are
    // bound before this runs while the module loads, and nothing is loaded
    // under the loader's lock.
    PWSTR folder = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_ProgramFilesCommon, 0, nullptr, &folder);
    std::wstring path = SUCCEEDED(found) && folder != nullptr ? folder : L"";
    CoTaskMemFree(folder);
    if (path.empty()) return {};
    path += L"\\MTS-ESP\\LIBMTS.dll";
    if (path.size() >= MAX_PATH) return {};
    // The library is opened through the system's code page; a path it cannot
    // spell exactly is not opened at all.
    BOOL lossy = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (bytes <= 1 || lossy) return {};
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, narrow.data(), bytes, nullptr, &lossy);
    narrow.resize(static_cast<std::size_t>(bytes - 1));
    return lossy ? std::string() : narrow;
}

}  // namespace qor

#include "framework/windows/BrowserOpener.h"

#include "framework/windows/ModuleThread.h"
#include "framework/windows/WinApi.h"

#include <objbase.h>
#include <shellapi.h>
#include <wininet.h>

namespace qor {

bool OpenInBrowser(const std::string& address)
{
    if (address.empty()) return false;
    return RunOnModuleThread([address] {
        DWORD how = 0;
        if (!InternetGetConnectedState(&how, 0)) return;  // offline: the browser would show nothing
        // The shell may hand the address to extensions that need COM.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) CoUninitialize();
    });
}

}  // namespace qor

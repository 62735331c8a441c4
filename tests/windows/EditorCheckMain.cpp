// A program of its own for the Windows editor check, until the Windows test
// host runs it with its other checks:
//   x86_64-w64-mingw32-g++-posix -std=c++20 -I. tests/windows/EditorCheckMain.cpp
//       tests/windows/WindowsEditorCheck.cpp -static -luser32 -lgdi32 -lshell32 -o editor-check.exe
//   WINEPREFIX=<a folder of its own> WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
//       xvfb-run -a wine64 editor-check.exe QOR64.dll    (one command line)
// Exit status 0 when every check passed.
#if defined(_WIN32)

#include <cstdio>

#include "tests/windows/WindowsEditorCheck.h"

int main(int argc, char** argv)
{
    const std::string dll = argc > 1 ? argv[1] : "QOR64.dll";
    const auto failures = qor::wintest::CheckEditor(dll, [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    std::printf("%zu failed\n", failures.size());
    return failures.empty() ? 0 : 1;
}

#endif  // _WIN32

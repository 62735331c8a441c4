// The editor of the built Windows plug-in in a real window, as a Windows
// host opens it: a top-level window of the test's own, effEditGetRect and
// effEditOpen with its handle, then only window messages and effEditIdle,
// with what changed read back through the effect record.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qor::wintest {

// Runs the checks on the plug-in library at `dllPath`; what failed, one line
// each (empty when everything passed). `log` hears every check as it runs.
std::vector<std::string> CheckEditor(const std::string& dllPath,
                                     const std::function<void(const std::string&)>& log = {});

// The same as one entry of the Windows test host: true when everything
// passed; `detail` tells how many checks ran and names those that failed.
bool EditorWindowChecks(const std::string& dllPath, std::string& detail);

}  // namespace qor::wintest

// The editor of the built Windows plug-in in a real window, as a Windows
// host opens it: a top-level window of the test's own, effEditGetRect and
// effEditOpen with its handle, then only window messages and effEditIdle,
// with what changed read back through the effect record.
#pragma once

#include <string>
#include <vector>

namespace qor::wintest {

// Runs the checks on the plug-in library at `dllPath`; what failed, one line
// each (empty when everything passed). `log` hears every check as it runs.
std::vector<std::string> CheckEditor(const std::string& dllPath, void (*log)(const std::string&) = nullptr);

}  // namespace qor::wintest

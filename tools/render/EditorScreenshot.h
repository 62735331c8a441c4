// The plug-in's editor as a PNG file, drawn by the plug-in itself offscreen
// (our own effVendorSpecific request, see framework/VstAbi.h): no window and
// no display are needed.
#pragma once

#include <string>

namespace qor {

class VstHost;

// False with a message when the plug-in has no offscreen editor or the file
// cannot be written; a failed write leaves no file.
bool writeEditorScreenshot(VstHost& host, const std::string& path, std::string& error);

}  // namespace qor

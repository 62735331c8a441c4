#include "tools/render/EditorScreenshot.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "framework/VstAbi.h"
#include "graphics/Bitmap.h"
#include "graphics/Png.h"
#include "tools/render/VstHost.h"

namespace qor {

namespace {
constexpr int kLargestEditor = 8192;  // pixels a side we are willing to hold
}

bool writeEditorScreenshot(VstHost& host, const std::string& path, std::string& error)
{
    // First ask for the size with an empty buffer, then draw.
    vst::QorEditorPixels request{0, 0, 0, 0, nullptr};
    host.dispatch(vst::effVendorSpecific, vst::kQorDrawEditor, vst::kQorDrawEditorMagic, &request);
    if (request.width <= 0 || request.height <= 0 || request.width > kLargestEditor ||
        request.height > kLargestEditor) {
        error = "the plug-in cannot draw its editor offscreen";
        return false;
    }
    gfx::Bitmap bitmap(request.width, request.height);
    std::vector<uint32_t> pixels(size_t(request.width) * size_t(request.height));
    request.stride = request.width;
    request.pixels = pixels.data();
    if (host.dispatch(vst::effVendorSpecific, vst::kQorDrawEditor, vst::kQorDrawEditorMagic, &request) != 1) {
        error = "the plug-in did not draw its editor";
        return false;
    }
    for (int y = 0; y < bitmap.Height(); ++y)
        std::copy_n(pixels.data() + size_t(y) * size_t(request.width), bitmap.Width(), bitmap.Row(y));
    const std::vector<uint8_t> png = gfx::EncodePng(bitmap);
    if (png.empty()) {
        error = "cannot encode the editor as PNG";
        return false;
    }
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (file) file.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
        if (file && file.flush()) return true;
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    error = "cannot write " + path;
    return false;
}

}  // namespace qor

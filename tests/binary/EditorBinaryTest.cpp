// The editor as a host meets it in the built qor.so: announced, sized,
// refusing to open without a window form, and drawn offscreen on request.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "BinaryHost.h"

namespace qor::test::binary {
namespace {

class BinaryEditor : public BinaryTest {};

TEST_F(BinaryEditor, AnnouncedWithItsSize)
{
    Load();
    EXPECT_EQ(effect()->flags, 0x1131);
    vst::ERect* rect = nullptr;
    ASSERT_EQ(host.Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 1024);
    EXPECT_EQ(rect->bottom - rect->top, 600);
    // No parent window: nothing opens, and idle and close are harmless.
    EXPECT_EQ(host.Dispatch(vst::effEditOpen, 0, 0, nullptr), 0);
    host.Dispatch(vst::effEditIdle);
    host.Dispatch(vst::effEditClose);
    EXPECT_EQ(host.Dispatch(vst::effGetVendorVersion), 10101);
}

TEST_F(BinaryEditor, DrawsItselfOffscreen)
{
    Load();
    vst::QorEditorPixels request{0, 0, 0, 0, nullptr};
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, vst::kQorDrawEditor, vst::kQorDrawEditorMagic, &request), 0);
    ASSERT_EQ(request.width, 1024);
    ASSERT_EQ(request.height, 600);
    // Too small a buffer is refused, not overrun.
    std::vector<uint32_t> small(100 * 100, 0xDEADBEEF);
    vst::QorEditorPixels tiny{100, 100, 100, 0, small.data()};
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, vst::kQorDrawEditor, vst::kQorDrawEditorMagic, &tiny), 0);
    EXPECT_EQ(small.front(), 0xDEADBEEFu);
    // A wrong magic is no request of ours.
    std::vector<uint32_t> pixels(1024 * 600, 0);
    vst::QorEditorPixels full{1024, 600, 1024, 0, pixels.data()};
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, vst::kQorDrawEditor, 1234, &full), 0);
    ASSERT_EQ(host.Dispatch(vst::effVendorSpecific, vst::kQorDrawEditor, vst::kQorDrawEditorMagic, &full), 1);
    // The first parameter field (OSC 1 Wave) is drawn where the layout puts
    // it, whatever the art around it.
    EXPECT_NE(pixels[size_t(469 + 2) * 1024 + 32 + 2], 0u);
}

// The screenshot option of qor-render writes the panel as a PNG.
#if defined(QOR_RENDER_PATH)
TEST_F(BinaryEditor, ScreenshotIsAPanelSizedPng)
{
    const std::filesystem::path png = home.Folder() / "panel.png";
    const std::string command = std::string("'") + QOR_RENDER_PATH + "' --program 3 --param-normalized Volume=0.9 --screenshot '" +
                                png.string() + "' '" + QOR_PLUGIN_PATH + "' 2>'" +
                                (home.Folder() / "err").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(png, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    auto be32 = [&](size_t at) { return bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3]; };
    EXPECT_EQ(be32(16), 1024);  // IHDR width
    EXPECT_EQ(be32(20), 600);   // and height
}
#endif

}  // namespace
}  // namespace qor::test::binary

#endif

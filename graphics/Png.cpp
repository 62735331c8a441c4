#include "graphics/Png.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

#include "graphics/Surface.h"

namespace gfx {

namespace {

// Pictures larger than this are refused before any pixel memory is taken.
constexpr png_uint_32 kMaxSide = 16384;
constexpr size_t kMaxPixels = size_t(1) << 24;

// libpng reports errors through a callback that must not return: jump back
// into the function that called libpng, which then gives up cleanly.
[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Everything the decoder changes after setjmp lives here, in memory reached
// through a pointer, so that a longjmp finds it as it was left.
struct Reader {
    std::span<const uint8_t> bytes;
    size_t position = 0;
    std::vector<uint8_t> rgba;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0, height = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count)
{
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > reader->bytes.size() - reader->position) png_error(png, "truncated");
    std::memcpy(out, reader->bytes.data() + reader->position, count);
    reader->position += count;
}

bool Decode(png_structp png, png_infop info, Reader& reader)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_read_fn(png, &reader, ReadBytes);
    png_read_info(png, info);
    reader.width = png_get_image_width(png, info);
    reader.height = png_get_image_height(png, info);
    if (reader.width == 0 || reader.height == 0 || size_t(reader.width) * reader.height > kMaxPixels) return false;
    // Whatever is stored, ask for 8-bit RGBA.
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(reader.width) * 4) return false;
    reader.rgba.resize(size_t(reader.width) * reader.height * 4);
    reader.rows.resize(reader.height);
    for (png_uint_32 y = 0; y < reader.height; ++y) reader.rows[y] = reader.rgba.data() + size_t(y) * reader.width * 4;
    png_read_image(png, reader.rows.data());
    png_read_end(png, nullptr);
    return true;
}

struct Writer {
    std::vector<uint8_t> out;
    std::vector<uint8_t> rgba;
    std::vector<png_bytep> rows;
};

void WriteBytes(png_structp png, png_bytep data, png_size_t count)
{
    auto* writer = static_cast<Writer*>(png_get_io_ptr(png));
    writer->out.insert(writer->out.end(), data, data + count);
}
void Flush(png_structp) {}

bool Encode(png_structp png, png_infop info, Writer& writer, int width, int height)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &writer, WriteBytes, Flush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, writer.rows.data());
    png_write_end(png, nullptr);
    return true;
}

// Rows of 0xAARRGGBB pixels into PNG bytes; empty on failure.
template <typename RowOf>
std::vector<uint8_t> EncodeRows(int width, int height, RowOf rowOf)
{
    if (width <= 0 || height <= 0) return {};
    Writer writer;
    writer.rgba.resize(size_t(width) * height * 4);
    writer.rows.resize(size_t(height));
    for (int y = 0; y < height; ++y) {
        uint8_t* out = writer.rgba.data() + size_t(y) * width * 4;
        writer.rows[size_t(y)] = out;
        const uint32_t* in = rowOf(y);
        for (int x = 0; x < width; ++x) {
            const Color c = Unpack(in[x]);
            out[4 * x] = c.r, out[4 * x + 1] = c.g, out[4 * x + 2] = c.b, out[4 * x + 3] = c.a;
        }
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    const bool ok = info && Encode(png, info, writer, width, height);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok ? std::move(writer.out) : std::vector<uint8_t>{};
}

}  // namespace

std::optional<Bitmap> DecodePng(std::span<const uint8_t> bytes, int frames)
{
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0 || frames < 1) return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    Reader reader;
    reader.bytes = bytes;
    const bool ok = info && Decode(png, info, reader);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!ok || png_uint_32(frames) > reader.height) return std::nullopt;

    Bitmap bitmap(int(reader.width), int(reader.height), frames);
    for (png_uint_32 y = 0; y < reader.height; ++y) {
        const uint8_t* in = reader.rows[y];
        uint32_t* out = bitmap.Row(int(y));
        for (png_uint_32 x = 0; x < reader.width; ++x, in += 4) out[x] = Pack({in[3], in[0], in[1], in[2]});
    }
    return bitmap;
}

std::vector<uint8_t> EncodePng(const Surface& surface)
{
    return EncodeRows(surface.Width(), surface.Height(), [&](int y) { return surface.Row(y); });
}

std::vector<uint8_t> EncodePng(const Bitmap& bitmap)
{
    return EncodeRows(bitmap.Width(), bitmap.Height(), [&](int y) { return bitmap.Row(y); });
}

}  // namespace gfx

#include "framework/windows/DibSection.h"

#include <cstring>

#include "framework/windows/WinApi.h"

namespace qor {

bool DibSection::Fit(int width, int height)
{
    if (mBitmap && mWidth == width && mHeight == height) return true;
    Drop();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top row, as in the raster
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) {
        DeleteObject(bitmap);
        return false;
    }
    mOldBitmap = SelectObject(memory, bitmap);
    mBitmap = bitmap;
    mMemoryDC = memory;
    mBits = static_cast<uint32_t*>(bits);
    mWidth = width;
    mHeight = height;
    return true;
}

void DibSection::Drop()
{
    if (mMemoryDC) {
        SelectObject(static_cast<HDC>(mMemoryDC), static_cast<HGDIOBJ>(mOldBitmap));
        DeleteDC(static_cast<HDC>(mMemoryDC));
    }
    if (mBitmap) DeleteObject(static_cast<HBITMAP>(mBitmap));
    mBitmap = mMemoryDC = mOldBitmap = nullptr;
    mBits = nullptr;
    mWidth = mHeight = 0;
}

void DibSection::Put(void* dc, const uint32_t* pixels, int stride, const gfx::Rect& area)
{
    const gfx::Rect put = area.Intersection({0, 0, mWidth, mHeight});
    if (!mBits || put.Empty() || !dc) return;
    GdiFlush();  // GDI may still be reading the bitmap
    for (int y = put.top; y < put.bottom; ++y)
        std::memcpy(mBits + size_t(y) * size_t(mWidth) + size_t(put.left),
                    pixels + size_t(y) * size_t(stride) + size_t(put.left), size_t(put.W()) * sizeof(uint32_t));
    BitBlt(static_cast<HDC>(dc), put.left, put.top, put.W(), put.H(), static_cast<HDC>(mMemoryDC), put.left,
           put.top, SRCCOPY);
}

}  // namespace qor

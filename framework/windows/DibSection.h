// The bitmap the editor's raster reaches the screen through: a 32-bit
// top-down DIB section with a memory device context. The raster keeps pixels
// as 0xAARRGGBB words, which in memory are the B, G, R, A bytes a 32-bit DIB
// takes, so rows are copied as they are (the alpha byte is ignored by GDI).
//
// Editor thread only.
#pragma once

#include <cstdint>

#include "graphics/Rect.h"

namespace qor {

class DibSection {
public:
    DibSection() = default;
    ~DibSection() { Drop(); }
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;

    // Makes the bitmap at this size unless it has it already; false when GDI
    // refuses (then nothing is drawn).
    bool Fit(int width, int height);
    // Frees the bitmap and its device context.
    void Drop();
    // Copies `area` of a raster (`stride` pixels a row, at least as large as
    // the bitmap) into the bitmap and from there onto the device context
    // `dc` (an HDC) at the same place.
    void Put(void* dc, const uint32_t* pixels, int stride, const gfx::Rect& area);

private:
    void* mBitmap = nullptr;     // HBITMAP
    void* mMemoryDC = nullptr;   // HDC holding mBitmap
    void* mOldBitmap = nullptr;  // what mMemoryDC held before
    uint32_t* mBits = nullptr;
    int mWidth = 0, mHeight = 0;
};

}  // namespace qor

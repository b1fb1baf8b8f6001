#pragma once
// A picture in memory: 32-bit pixels in the D3DCOLOR layout 0xAARRGGBB, rows top to bottom.

#include <cstdint>
#include <vector>

#include "platform/core/types.h"

namespace rm {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<D3DCOLOR> pixels;  // width * height, row-major

    [[nodiscard]] bool Empty() const { return width <= 0 || height <= 0; }
    [[nodiscard]] D3DCOLOR At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// A read-only view of pixels owned elsewhere (the device's colour buffer).
struct PictureView {
    int width = 0;
    int height = 0;
    const D3DCOLOR* pixels = nullptr;  // width * height, row-major, no padding
};

}  // namespace rm

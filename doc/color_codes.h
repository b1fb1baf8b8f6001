#pragma once
// The colour values the file format fixes outside the palette itself.

#include <cstdint>

#include "platform/core/types.h"

namespace doc {

// The code a "%" stands for in a pair's code place; its palette entry is pale grey, the
// colour of textured polygons.
inline constexpr std::int32_t kShadingCode = 0x16;
// What "%" reads as in a pair's second place. The loader passes it with the shading code
// for textured polygons, though the second value never changes a colour.
inline constexpr std::int32_t kPercentSecond = 0xF0;
// Opaque white: both current colours at program start, and any code beyond the palette.
inline constexpr rm::D3DCOLOR kWhite = 0xFFFFFFFFU;

}  // namespace doc

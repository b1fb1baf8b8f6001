#pragma once
// Value types and codes shared by the whole platform: pictures, the rasterizer and the
// retained-mode layer.
// The names follow the vocabulary the document and view code is written in.

#include <cstdint>

namespace rm {

using D3DVALUE = float;
using D3DCOLOR = std::uint32_t;  // 0xAARRGGBB

struct D3DVECTOR {
    D3DVALUE x = 0.0F;
    D3DVALUE y = 0.0F;
    D3DVALUE z = 0.0F;
    friend bool operator==(const D3DVECTOR&, const D3DVECTOR&) = default;
};

// Status of an operation whose outcome callers test. Ok is zero so that
// "non-zero means failure" holds for the render loop. Every function returning it must be
// checked; a caller that drops one on purpose casts it to (void), the one way to discard
// a result throughout, with a remark saying why where it is not plain.
enum class [[nodiscard]] Result : std::int32_t{
    Ok = 0,
    BadValue,     // an argument is out of range, non-finite or zero where it must not be
    BadObject,    // a required object is missing (null handle, clipper without target, ...)
    BadSize,      // a device or viewport of zero or negative size
    BadFaceData,  // face data with a bad count or index
    NotFound,     // an element index past the end
    OutOfMemory,
    Unsupported,  // a light type or mode this renderer does not draw
};

[[nodiscard]] constexpr bool Succeeded(Result r) {
    return r == Result::Ok;
}
[[nodiscard]] constexpr bool Failed(Result r) {
    return r != Result::Ok;
}
[[nodiscard]] const char* ResultName(Result r);

// Render quality: shade (bits 0-2), lighting (bit 3), fill (bits 6-8).
using D3DRMRENDERQUALITY = std::uint32_t;
inline constexpr std::uint32_t D3DRMSHADE_FLAT = 0x0;
inline constexpr std::uint32_t D3DRMSHADE_GOURAUD = 0x1;
inline constexpr std::uint32_t D3DRMSHADE_MASK = 0x7;
inline constexpr std::uint32_t D3DRMLIGHT_OFF = 0x0;
inline constexpr std::uint32_t D3DRMLIGHT_ON = 0x8;
inline constexpr std::uint32_t D3DRMLIGHT_MASK = 0x38;
inline constexpr std::uint32_t D3DRMFILL_POINTS = 0x0;
inline constexpr std::uint32_t D3DRMFILL_WIREFRAME = 0x40;
inline constexpr std::uint32_t D3DRMFILL_SOLID = 0x80;
inline constexpr std::uint32_t D3DRMFILL_MASK = 0x1C0;

inline constexpr D3DRMRENDERQUALITY D3DRMRENDER_WIREFRAME =
    D3DRMSHADE_FLAT | D3DRMLIGHT_OFF | D3DRMFILL_WIREFRAME;  // 0x40
inline constexpr D3DRMRENDERQUALITY D3DRMRENDER_FLAT =
    D3DRMSHADE_FLAT | D3DRMLIGHT_ON | D3DRMFILL_SOLID;  // 0x88
inline constexpr D3DRMRENDERQUALITY D3DRMRENDER_GOURAUD =
    D3DRMSHADE_GOURAUD | D3DRMLIGHT_ON | D3DRMFILL_SOLID;  // 0x89
// True for a quality this layer draws: shade flat or Gouraud, light off or on, fill points,
// wireframe or solid, no other bits.
[[nodiscard]] bool IsValidQuality(D3DRMRENDERQUALITY quality);

enum class D3DRMLIGHTTYPE : std::int32_t {
    D3DRMLIGHT_AMBIENT = 0,
    D3DRMLIGHT_POINT = 1,
    D3DRMLIGHT_SPOT = 2,
    D3DRMLIGHT_DIRECTIONAL = 3,
    D3DRMLIGHT_PARALLELPOINT = 4,
};

enum class D3DRMCOMBINETYPE : std::int32_t {
    D3DRMCOMBINE_REPLACE = 0,
    D3DRMCOMBINE_BEFORE = 1,
    D3DRMCOMBINE_AFTER = 2,
};

inline constexpr std::uint32_t D3DRMTEXTURE_NEAREST = 0;

// Colour helpers in the 0xAARRGGBB layout.
[[nodiscard]] constexpr D3DCOLOR MakeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                           std::uint8_t a = 0xFF) {
    return (D3DCOLOR{a} << 24) | (D3DCOLOR{r} << 16) | (D3DCOLOR{g} << 8) | D3DCOLOR{b};
}
[[nodiscard]] constexpr std::uint8_t RedOf(D3DCOLOR c) {
    return (c >> 16) & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t GreenOf(D3DCOLOR c) {
    return (c >> 8) & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t BlueOf(D3DCOLOR c) {
    return c & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t AlphaOf(D3DCOLOR c) {
    return (c >> 24) & 0xFF;
}

// Light colours are floating-point RGB; values above 1 are allowed and clamp when shaded.
struct ColorRGB {
    D3DVALUE r = 0.0F;
    D3DVALUE g = 0.0F;
    D3DVALUE b = 0.0F;
    friend bool operator==(const ColorRGB&, const ColorRGB&) = default;
};

}  // namespace rm

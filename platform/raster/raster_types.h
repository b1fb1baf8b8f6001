#pragma once
// Internal data of the rasterizer: the per-frame view set-up, transformed vertices and the
// primitive records that the binning stage hands to the tile stage.

#include <cstdint>
#include <cstring>
#include <span>

#include "platform/raster/render_job.h"

namespace rm::raster {

// Screen positions are snapped to 1/16 pixel. With every coordinate inside the guard band
// below, edge-function steps across one tile stay well inside 32 bits.
inline constexpr int kSubBits = 4;
inline constexpr int kSubScale = 1 << kSubBits;
inline constexpr int kTileShift = 6;
inline constexpr int kTileSize = 1 << kTileShift;
inline constexpr int kMaxDimension = 8192;
// How far past the buffer's edges geometry may reach before it is clipped in camera space.
inline constexpr float kGuardBand = 4096.0F;

// Outcode bits of a camera-space point. The frustum planes pass through the eye, so "all
// corners outside one plane" rejects a face even when some corners are behind the camera.
enum : std::uint32_t {
    kOutNear = 1U << 0,
    kOutFar = 1U << 1,
    kOutGuardLeft = 1U << 2,
    kOutGuardRight = 1U << 3,
    kOutGuardTop = 1U << 4,
    kOutGuardBottom = 1U << 5,
    kOutLeft = 1U << 6,
    kOutRight = 1U << 7,
    kOutTop = 1U << 8,
    kOutBottom = 1U << 9,
    kNonFinite = 1U << 10,
};
inline constexpr std::uint32_t kClipMask =
    kOutNear | kOutFar | kOutGuardLeft | kOutGuardRight | kOutGuardTop | kOutGuardBottom;
inline constexpr std::uint32_t kRejectMask =
    kOutNear | kOutFar | kOutLeft | kOutRight | kOutTop | kOutBottom;

// Anti-aliasing: four samples a pixel on a rotated grid, offsets from the pixel centre in
// 1/16 pixel. Every x and every y offset differs by a quarter pixel from the next, so each
// row and each column of samples is evenly spread.
inline constexpr int kSamples = 4;
inline constexpr int kSampleX[kSamples] = {-2, 6, -6, 2};
inline constexpr int kSampleY[kSamples] = {-6, -2, 2, 6};
// How far a sample lies from its pixel centre at most, either way, in 1/16 pixel.
inline constexpr int kSampleReach = 6;

struct PixelRect {  // inclusive bounds; empty when x1 < x0 or y1 < y0
    int x0 = 0;
    int y0 = 0;
    int x1 = -1;
    int y1 = -1;
    [[nodiscard]] bool Empty() const { return x1 < x0 || y1 < y0; }
};

// Row-vector affine transform, like Matrix4 but local to the rasterizer.
struct Affine {
    float m[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
};

// Everything about the view that the per-vertex and per-face stages need.
struct ViewSetup {
    PixelRect scissor;
    float centreX = 0.0F;  // projection centre in buffer pixels
    float centreY = 0.0F;
    float scale = 1.0F;  // pixels per unit of x/z
    float front = 1.0F;
    float back = 100.0F;
    float bufferWidth = 0.0F;
    float bufferHeight = 0.0F;
    ColorRGB ambient;
    std::span<const DirectionalLightInfo> lights;
    bool antialias = false;  // four samples a pixel instead of the pixel centre
};

// 12 bytes: a worker's window holds thousands of these, which should stay in its caches.
// The camera-space point is not kept; the few faces that need it (clipped ones, thin
// strokes) compute it again with ToCamera (camera_point.h). The outcode shares a word with
// the snapped x, which the guard band keeps well inside the 21 bits left to it.
struct ProjectedVertex {
    static constexpr int kCodeBits = 11;
    static_assert(kNonFinite < (1U << kCodeBits));
    static_assert((kMaxDimension + 2 * static_cast<std::int64_t>(kGuardBand)) * kSubScale <
                  (std::int64_t{1} << (31 - kCodeBits)));

    // fx and fy: the snapped screen position, valid when code has no kClipMask bit.
    [[nodiscard]] static ProjectedVertex Make(std::uint32_t code, std::int32_t fx, std::int32_t fy,
                                              float depth) {
        return {(static_cast<std::uint32_t>(fx) << kCodeBits) | code, fy, depth};
    }
    [[nodiscard]] std::uint32_t Code() const { return fxCode & ((1U << kCodeBits) - 1); }
    [[nodiscard]] std::int32_t Fx() const {
        return static_cast<std::int32_t>(fxCode) >> kCodeBits;  // keeps the sign
    }

    std::uint32_t fxCode;
    std::int32_t fy;
    float depth;  // -1/z, affine in screen space; smaller is nearer
};

enum : std::uint32_t {
    kPrimGouraud = 1U << 0,
    kPrimCutX = 1U << 1,  // the scissor cut the covered columns: edges alone do not bound them
};

// Pixel bounds in 16 bits each: no buffer is wider or taller than kMaxDimension.
struct ShortRect {
    std::int16_t x0, y0, x1, y1;
    [[nodiscard]] PixelRect Rect() const { return {x0, y0, x1, y1}; }
};

// An edge function in 1/16-pixel units with the top-left bias: a sample (x, y) is inside
// when a * x + b * y + c >= 0.
struct EdgeFunction {
    std::int32_t a;
    std::int32_t b;
    std::int64_t c;

    [[nodiscard]] std::int64_t At(std::int64_t x, std::int64_t y) const {
        return a * x + b * y + c;
    }
};

// One triangle ready for rasterization, kept small: a big scene holds millions of them, and
// every record written is a cache line or a fresh page touched. The edge functions are
// derived from the snapped corners where they are used.
struct TriangleSetup {
    // A snapped coordinate inside the guard band fits in this many bits with its sign, so
    // the three x (and the three y) share 64 bits; the top bit of each is a flag.
    static constexpr int kCornerBits = 21;
    static_assert((kMaxDimension + 2 * static_cast<std::int64_t>(kGuardBand)) * kSubScale <
                  (std::int64_t{1} << (kCornerBits - 1)));
    static_assert(3 * kCornerBits < 64);

    ShortRect box;  // covered pixel bounds, clipped to the scissor
    // Snapped corners, clockwise as seen: x in words 0-1, y in words 2-3, corner k at bit
    // 21 k; bit 63 of the x bits is kPrimGouraud, of the y bits kPrimCutX. Words rather
    // than 64-bit fields keep the record 4-byte aligned.
    std::uint32_t corners[4];
    float z0, zdx, zdy;  // depth at the centre of pixel (box.x0, box.y0) and its steps
    // The flat colour; a Gouraud triangle has no use for one and keeps the index of its
    // colour planes here instead.
    D3DCOLOR color;

    [[nodiscard]] std::uint32_t Flags() const {
        return (Bits(0) >> 63) * kPrimGouraud | (Bits(2) >> 63) * kPrimCutX;
    }
    [[nodiscard]] std::uint32_t Shade() const { return color; }
    void SetShade(std::uint32_t index) { color = index; }

    // Sets the corners and clears the flags.
    void SetCorners(const std::int32_t (&x)[3], const std::int32_t (&y)[3]) {
        const auto pack = [](const std::int32_t(&v)[3]) {
            constexpr std::uint64_t kMask = (std::uint64_t{1} << kCornerBits) - 1;
            std::uint64_t bits = 0;
            for (int k = 0; k < 3; ++k) {
                bits |= (static_cast<std::uint64_t>(static_cast<std::int64_t>(v[k])) & kMask)
                        << (kCornerBits * k);
            }
            return bits;
        };
        SetBits(0, pack(x));
        SetBits(2, pack(y));
    }
    // Sets the kPrim flags, keeping the corners.
    void SetFlags(std::uint32_t flags) {
        constexpr std::uint64_t kTop = std::uint64_t{1} << 63;
        SetBits(0, (Bits(0) & ~kTop) | ((flags & kPrimGouraud) != 0 ? kTop : 0));
        SetBits(2, (Bits(2) & ~kTop) | ((flags & kPrimCutX) != 0 ? kTop : 0));
    }
    [[nodiscard]] std::int32_t Fx(int k) const { return Unpack(0, k); }
    [[nodiscard]] std::int32_t Fy(int k) const { return Unpack(2, k); }

    // Edge k runs from corner k to the next. Top-left rule: a sample exactly on an edge
    // belongs to the face on its right or below, so neighbours that share the edge never
    // both take it.
    [[nodiscard]] EdgeFunction Edge(int k) const {
        const int n = k == 2 ? 0 : k + 1;
        const std::int32_t xk = Fx(k);
        const std::int32_t yk = Fy(k);
        const std::int32_t a = yk - Fy(n);
        const std::int32_t b = Fx(n) - xk;
        const bool topLeft = a > 0 || (a == 0 && b > 0);
        return {a, b, -(std::int64_t{a} * xk + std::int64_t{b} * yk) - (topLeft ? 0 : 1)};
    }

private:
    [[nodiscard]] std::uint64_t Bits(int word) const {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &corners[word], sizeof bits);
        return bits;
    }
    void SetBits(int word, std::uint64_t bits) { std::memcpy(&corners[word], &bits, sizeof bits); }
    [[nodiscard]] std::int32_t Unpack(int word, int k) const {
        // Move the field to the top (the flag above the last one falls off), then shift
        // back with the sign.
        const int up = 64 - kCornerBits * (k + 1);
        return static_cast<std::int32_t>(static_cast<std::int64_t>(Bits(word) << up) >>
                                         (64 - kCornerBits));
    }
};

static_assert(sizeof(TriangleSetup) == 40, "a triangle's record grew");

// Colour planes of a Gouraud triangle, 0-255 per channel, referenced like the depth plane.
struct ColorPlanes {
    float r0, rdx, rdy;
    float g0, gdx, gdy;
    float b0, bdx, bdy;
};

// A wireframe edge or a point, walked one pixel per step along its major axis. At major
// pixel i the minor coordinate is minorStart + (i + 0.5 - majorStart) * minorStep, kept
// inside [minorLo, minorHi]; depth follows the same way.
struct LineSetup {
    float majorStart, minorStart;
    float majorLength;  // end minus start along the major axis, >= 0
    float depthStart;
    float minorStep, depthStep;
    float minorLo, minorHi;
    std::int32_t first, last;  // pixel range along the major axis, inclusive
    D3DCOLOR color;
    bool xMajor;
    // A thin stroke's line: with samples, a band one pixel across rather than whole pixels.
    bool band;
};

}  // namespace rm::raster

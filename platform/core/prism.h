#pragma once
// The ring prism, a stroke's shape: two rings of eight vertices, 0-7 around its first end
// and 8-15 around its second in the same turn, and eight side normals, normal i pointing
// out through vertices i and 8 + i. Its ten faces, in order: the cap at the first end
// (eight corners), the eight sides (four corners each), the cap at the second end. A mesh
// keeps a prism's faces without corners of their own (MeshData::prisms): a big model's
// strokes would otherwise spend more memory on corners than on anything else.

#include <array>
#include <cstdint>

namespace rm {

inline constexpr std::uint32_t kPrismVertices = 16;
inline constexpr std::uint32_t kPrismNormals = 8;
inline constexpr std::uint32_t kPrismFaces = 10;
inline constexpr std::uint32_t kPrismCorners = 48;

struct PrismCorner {
    std::uint8_t vertex;
    std::uint8_t normal;
};

struct PrismFace {
    std::uint8_t first;  // into kPrismCornerList
    std::uint8_t count;
};

namespace prism_detail {

constexpr std::array<PrismCorner, kPrismCorners> MakeCorners() {
    std::array<PrismCorner, kPrismCorners> out{};
    std::size_t at = 0;
    for (std::uint8_t k = 0; k < 8; ++k) {  // first cap, seen from outside: 7 down to 0
        out[at++] = {static_cast<std::uint8_t>(7 - k), static_cast<std::uint8_t>(7 - k)};
    }
    for (std::uint8_t i = 0; i < 8; ++i) {
        const auto j = static_cast<std::uint8_t>((i + 1) % 8);
        out[at++] = {i, i};
        out[at++] = {j, j};
        out[at++] = {static_cast<std::uint8_t>(8 + j), j};
        out[at++] = {static_cast<std::uint8_t>(8 + i), i};
    }
    for (std::uint8_t k = 0; k < 8; ++k) {
        out[at++] = {static_cast<std::uint8_t>(8 + k), k};
    }
    return out;
}

constexpr std::array<PrismFace, kPrismFaces> MakeFaces() {
    std::array<PrismFace, kPrismFaces> out{};
    out[0] = {0, 8};
    for (std::uint8_t i = 0; i < 8; ++i) {
        out[1 + i] = {static_cast<std::uint8_t>(8 + 4 * i), 4};
    }
    out[9] = {40, 8};
    return out;
}

}  // namespace prism_detail

inline constexpr std::array<PrismCorner, kPrismCorners> kPrismCornerList =
    prism_detail::MakeCorners();
inline constexpr std::array<PrismFace, kPrismFaces> kPrismFaceList = prism_detail::MakeFaces();
inline constexpr std::uint32_t kMaxPrismFaceCorners = 8;

}  // namespace rm

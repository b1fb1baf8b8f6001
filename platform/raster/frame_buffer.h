#pragma once
// The colour and depth buffers of a renderer, split into square tiles. Clearing a whole
// tile only records the clear; the tile's depth is filled when geometry first reaches it
// and its colour then, or later by ResolveColor, so a cleared frame costs one pass over
// the colour buffer at most and none over the depth of empty tiles. A tile whose colour is
// known to hold one colour throughout (it was filled with it and nothing was drawn since)
// is not filled again with the same colour: the background of a model that stays in place
// costs nothing from frame to frame.

#include <cstdint>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "platform/raster/raster_types.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {

inline constexpr float kFarDepth = std::numeric_limits<float>::max();

// Storage of at least `bytes`, cache-line aligned. A block of several MiB (a frame's colour
// or depth) starts on a 2 MiB boundary and asks for large pages: a tile's rows lie a whole
// 4 KiB page apart at large sizes, and walking a tile then misses the address cache on
// nearly every row, which under a virtual machine costs more than the pixels' work.
[[nodiscard]] void* AllocateBlock(std::size_t bytes);
void FreeBlock(void* block, std::size_t bytes);

template <class T>
struct CacheAligned {
    using value_type = T;
    CacheAligned() = default;
    template <class U>
    explicit CacheAligned(const CacheAligned<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateBlock(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { FreeBlock(p, n * sizeof(T)); }
    friend bool operator==(const CacheAligned&, const CacheAligned&) { return true; }
};

// The same storage, except that a count alone leaves the elements unwritten: for a buffer
// whose every part is written before it is read, so that making it touches no memory.
template <class T>
struct CacheAlignedUnset : CacheAligned<T> {
    using value_type = T;
    CacheAlignedUnset() = default;
    template <class U>
    explicit CacheAlignedUnset(const CacheAlignedUnset<U>&) {}
    template <class U>
    struct rebind {
        using other = CacheAlignedUnset<U>;
    };
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    friend bool operator==(const CacheAlignedUnset&, const CacheAlignedUnset&) { return true; }
};

class FrameBuffer {
public:
    FrameBuffer(int width, int height);

    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] int TilesX() const { return m_tilesX; }
    [[nodiscard]] int TilesY() const { return m_tilesY; }
    [[nodiscard]] int TileCount() const { return m_tilesX * m_tilesY; }
    [[nodiscard]] PixelRect TileRect(int tile) const;

    // Colour to `color` and depth to farthest inside `rect` (already inside the buffer).
    void Clear(const PixelRect& rect, D3DCOLOR color);
    // Carries out the recorded clears of one tile; safe to call from the thread that owns
    // the tile while other threads handle other tiles.
    void Materialize(int tile);
    // True when the tile's colour still waits for its recorded clear.
    [[nodiscard]] bool ColorPending(int tile) const {
        return m_tiles[static_cast<std::size_t>(tile)].colorPending;
    }
    // Fills the colour of the tile from its recorded clear, leaving depth as recorded.
    void ResolveColor(int tile);
    // True, with the clear colour, when both colour and depth of the tile still wait for
    // their recorded clear.
    [[nodiscard]] bool ClearPending(int tile, D3DCOLOR& color) const {
        const TileState& s = m_tiles[static_cast<std::size_t>(tile)];
        color = s.clearColor;
        return s.colorPending && s.depthPending;
    }
    // The tile's colour and depth were written whole by other means (resolved samples).
    void MarkWritten(int tile) {
        TileState& s = m_tiles[static_cast<std::size_t>(tile)];
        s.colorPending = false;
        s.depthPending = false;
        s.colorSolid = false;
    }
    // True, with the colour, when every pixel of the tile's colour holds that one colour.
    [[nodiscard]] bool ColorSolid(int tile, D3DCOLOR& color) const {
        const TileState& s = m_tiles[static_cast<std::size_t>(tile)];
        color = s.solidColor;
        return s.colorSolid;
    }

    // The drawing view of one tile, cut to `scissor`. Handing it out counts as a write to
    // the tile's colour.
    [[nodiscard]] TileTarget Target(int tile, const PixelRect& scissor);

    [[nodiscard]] const D3DCOLOR* Pixels() const { return m_color.data(); }
    [[nodiscard]] std::size_t ReservedBytes() const;

private:
    struct TileState {
        D3DCOLOR clearColor = 0;
        bool colorPending = true;
        bool depthPending = true;
        bool colorSolid = false;  // the colour memory holds solidColor at every pixel
        D3DCOLOR solidColor = 0;
    };
    // Fills the whole tile's colour with `color`, unless it holds just that already.
    void FillTileColor(int tile, D3DCOLOR color);
    void FillColor(const PixelRect& r, D3DCOLOR color);
    void FillDepth(const PixelRect& r);

    int m_width;
    int m_height;
    int m_depthStride;
    int m_tilesX;
    int m_tilesY;
    // Unwritten when made: every tile starts with a recorded clear to black.
    std::vector<D3DCOLOR, CacheAlignedUnset<D3DCOLOR>> m_color;
    std::vector<float, CacheAlignedUnset<float>> m_depth;
    std::vector<TileState> m_tiles;
};

}  // namespace rm::raster

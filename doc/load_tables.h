#pragma once
// The loader's process-wide tables: the point table, the two paths, the polygon index
// list, and the two current colours that carry over from one file to the next. One load
// runs at a time; each load resets the tables (not the colours) before its first line.

#include <array>
#include <cstdint>

#include "platform/rm/types.h"

namespace doc {

inline constexpr int kTableSize = 4096;

struct TablePoint {
    std::int32_t x = -1;
    std::int32_t y = -1;
    std::int32_t z = -1;
};

struct LoadTables {
    std::array<TablePoint, kTableSize> pointTable;      // filled by point blocks
    std::array<TablePoint, kTableSize> coordinatePath;  // MOVETO / DRAWTO points
    std::int32_t coordinateCount = 0;
    std::array<std::int32_t, kTableSize> pointPath{};  // MOVETOPT / DRAWTOPT indices
    std::int32_t pointPathCount = 0;
    std::array<std::int32_t, kTableSize> polygonIndexList{};
    std::int32_t polygonCount = 0;

    // White at program start; never reset by a load.
    rm::D3DCOLOR lineColor = 0xFFFFFFFFU;
    rm::D3DCOLOR surfaceColor = 0xFFFFFFFFU;

    // The reset at the start of every load: points to all bits set (-1), paths and the
    // polygon list to 0, and both path counts to 0 so no file inherits the last one's path.
    void ResetForLoad();
};

// The one instance the loader and its callers share.
[[nodiscard]] LoadTables& Tables();

[[nodiscard]] constexpr bool InTable(std::int64_t index) {
    return index >= 0 && index < kTableSize;
}

}  // namespace doc

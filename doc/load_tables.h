#pragma once
// The loader's process-wide tables: the point table, the two paths, the polygon index
// list, and the two current colours that carry over from one file to the next. One load
// runs at a time; each load resets the tables (not the colours) before its first line.

#include <array>
#include <cstdint>

#include "doc/color_codes.h"
#include "platform/core/types.h"

namespace doc {

inline constexpr int kTableSize = 4096;

struct TablePoint {
    std::int32_t x = -1;
    std::int32_t y = -1;
    std::int32_t z = -1;
};

struct LoadTables {
    // Read freely; written only through the members below, which remember what was written
    // since the last clear so that a clear costs what was written, not the whole table.
    std::array<TablePoint, kTableSize> pointTable;      // filled by point blocks
    std::array<TablePoint, kTableSize> coordinatePath;  // MOVETO / DRAWTO points
    std::int32_t coordinateCount = 0;
    std::array<std::int32_t, kTableSize> pointPath{};  // MOVETOPT / DRAWTOPT indices
    std::int32_t pointPathCount = 0;
    std::array<std::int32_t, kTableSize> polygonIndexList{};
    std::int32_t polygonCount = 0;

    // White at program start; never reset by a load.
    rm::D3DCOLOR lineColor = kWhite;
    rm::D3DCOLOR surfaceColor = kWhite;

    // The reset at the start of every load: points to all bits set (-1), paths and the
    // polygon list to 0, and both path counts to 0 so no file inherits the last one's path.
    void ResetForLoad();
    // Every point-table coordinate to 0.
    void ClearPoints();
    // Every entry of both paths to 0; the counts stay.
    void ClearPathEntries();

    // A load of the rest of a file, read ahead on another thread, starts without knowing
    // the tables the part before leaves it. It tracks what its own blocks determine; a
    // reader that needs anything else fails that load, and the file is read on in order.
    [[nodiscard]] bool Partial() const { return m_partial; }
    void StartPartial();
    [[nodiscard]] bool PointKnown(std::size_t index) const {
        return !m_partial || m_allPointsKnown || m_pointKnown[index];
    }
    // After a point block wrote z, the last of an entry's coordinates.
    void NoteWholePoint(std::size_t index) {
        if (m_partial) m_pointKnown[index] = true;
    }
    [[nodiscard]] bool CoordinatePathKnown() const { return !m_partial || m_coordinateKnown; }
    [[nodiscard]] bool PointPathKnown() const { return !m_partial || m_pointPathKnown; }
    void NoteCoordinatePathStarted() { m_coordinateKnown = true; }
    void NotePointPathStarted() { m_pointPathKnown = true; }
    // After a polygon block stored n indices in the polygon index list.
    void NotePolygonList(int n) {
        m_polygonRead = true;
        if (static_cast<std::size_t>(n) > m_polygonEnd) m_polygonEnd = static_cast<std::size_t>(n);
    }
    void NoteSurfaceColorSet() { m_surfaceKnown = true; }
    void NoteLineColorSet() { m_lineKnown = true; }
    [[nodiscard]] bool SurfaceColorKnown() const { return !m_partial || m_surfaceKnown; }
    [[nodiscard]] bool LineColorKnown() const { return !m_partial || m_lineKnown; }
    // Whether TakeOver can follow a partial load: it cleared the point table, so that no
    // entry depends on the part before.
    [[nodiscard]] bool PointsDetermined() const { return m_allPointsKnown; }
    // Brings these tables (as the part before left them) to the state the partial load
    // `rest` ended with; `rest` must have PointsDetermined.
    void TakeOver(const LoadTables& rest);

    // The entry a point block writes into (index in the table).
    TablePoint& PointToWrite(std::size_t index) {
        if (!m_pointWritten[index]) {
            m_pointWritten[index] = true;
            m_writtenPoints[m_writtenPointCount++] = static_cast<std::uint16_t>(index);
        }
        return pointTable[index];
    }
    void SetCoordinate(std::size_t index, const TablePoint& p) {
        coordinatePath[index] = p;
        if (index >= m_coordinateEnd) m_coordinateEnd = index + 1;
    }
    void SetPointPathEntry(std::size_t index, std::int32_t pointIndex) {
        pointPath[index] = pointIndex;
        if (index >= m_pointPathEnd) m_pointPathEnd = index + 1;
    }

private:
    void ForgetWrittenPoints();

    // Point-table entries written since the last clear or reset, each listed once. Every
    // other entry holds the value of that clear: 0, or -1 when the reset was last.
    std::array<bool, kTableSize> m_pointWritten{};
    std::array<std::uint16_t, kTableSize> m_writtenPoints{};
    std::size_t m_writtenPointCount = 0;
    bool m_pointsZero = false;  // a clear came after the last reset
    // Path entries from these on are 0.
    std::size_t m_coordinateEnd = kTableSize;
    std::size_t m_pointPathEnd = kTableSize;

    // What a partial load knows (see StartPartial).
    bool m_partial = false;
    bool m_allPointsKnown = false;
    std::array<bool, kTableSize> m_pointKnown{};
    bool m_pathsCleared = false;
    bool m_coordinateKnown = false;
    bool m_pointPathKnown = false;
    bool m_polygonRead = false;
    std::size_t m_polygonEnd = 0;  // polygon index list entries written
    bool m_surfaceKnown = false;
    bool m_lineKnown = false;
};

// The one instance that lives for the whole process. Only the document reaches for it, to
// hand it to each load's context; the readers use the context's reference.
[[nodiscard]] LoadTables& Tables();

[[nodiscard]] constexpr bool InTable(std::int64_t index) {
    return index >= 0 && index < kTableSize;
}

}  // namespace doc

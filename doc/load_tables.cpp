#include "doc/load_tables.h"

#include <algorithm>

#include "doc/tarno_doc.h"

namespace doc {

LoadTables& Tables() {
    static LoadTables tables;
    return tables;
}

void LoadTables::ResetForLoad() {
    m_partial = false;
    pointTable.fill(TablePoint{-1, -1, -1});  // every byte 0xFF
    ForgetWrittenPoints();
    m_pointsZero = false;
    coordinatePath.fill(TablePoint{0, 0, 0});
    pointPath.fill(0);
    m_coordinateEnd = 0;
    m_pointPathEnd = 0;
    polygonIndexList.fill(0);
    coordinateCount = 0;
    pointPathCount = 0;
    polygonCount = 0;
}

void LoadTables::StartPartial() {
    ResetForLoad();
    m_partial = true;
    m_allPointsKnown = false;
    m_pointKnown.fill(false);
    m_pathsCleared = false;
    m_coordinateKnown = false;
    m_pointPathKnown = false;
    m_polygonRead = false;
    m_polygonEnd = 0;
    m_surfaceKnown = false;
    m_lineKnown = false;
}

void LoadTables::TakeOver(const LoadTables& rest) {
    // Every entry was cleared and then written by `rest` alone.
    pointTable = rest.pointTable;
    m_pointWritten = rest.m_pointWritten;
    m_writtenPoints = rest.m_writtenPoints;
    m_writtenPointCount = rest.m_writtenPointCount;
    m_pointsZero = rest.m_pointsZero;
    if (rest.m_pathsCleared) {
        // Both paths' entries were cleared, then written by `rest` alone.
        coordinatePath = rest.coordinatePath;
        pointPath = rest.pointPath;
        m_coordinateEnd = rest.m_coordinateEnd;
        m_pointPathEnd = rest.m_pointPathEnd;
    }
    if (rest.m_coordinateKnown) {
        coordinateCount = rest.coordinateCount;
    }
    if (rest.m_pointPathKnown) {
        pointPathCount = rest.pointPathCount;
    }
    if (rest.m_polygonRead) {
        std::copy_n(rest.polygonIndexList.begin(), rest.m_polygonEnd, polygonIndexList.begin());
        polygonCount = rest.polygonCount;
    }
    if (rest.m_surfaceKnown) {
        surfaceColor = rest.surfaceColor;
    }
    if (rest.m_lineKnown) {
        lineColor = rest.lineColor;
    }
}

void LoadTables::ForgetWrittenPoints() {
    for (std::size_t k = 0; k < m_writtenPointCount; ++k) {
        m_pointWritten[m_writtenPoints[k]] = false;
    }
    m_writtenPointCount = 0;
}

void LoadTables::ClearPoints() {
    m_allPointsKnown = true;
    if (!m_pointsZero) {
        // The first clear after a reset: entries nobody wrote still hold -1.
        pointTable.fill(TablePoint{0, 0, 0});
        m_pointsZero = true;
    } else {
        for (std::size_t k = 0; k < m_writtenPointCount; ++k) {
            pointTable[m_writtenPoints[k]] = TablePoint{0, 0, 0};
        }
    }
    ForgetWrittenPoints();
}

void LoadTables::ClearPathEntries() {
    m_pathsCleared = true;
    std::fill_n(coordinatePath.begin(), m_coordinateEnd, TablePoint{0, 0, 0});
    std::fill_n(pointPath.begin(), m_pointPathEnd, 0);
    m_coordinateEnd = 0;
    m_pointPathEnd = 0;
}

void CTarnoDoc::ClearPointTable(LoadTables& tables) {
    tables.ClearPoints();
}

void CTarnoDoc::ClearPaths(LoadTables& tables) {
    tables.ClearPathEntries();
}

}  // namespace doc

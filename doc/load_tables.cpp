#include "doc/load_tables.h"

#include <algorithm>

#include "doc/tarno_doc.h"

namespace doc {

LoadTables& Tables() {
    static LoadTables tables;
    return tables;
}

void LoadTables::ResetForLoad() {
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

void LoadTables::ForgetWrittenPoints() {
    for (std::size_t k = 0; k < m_writtenPointCount; ++k) {
        m_pointWritten[m_writtenPoints[k]] = false;
    }
    m_writtenPointCount = 0;
}

void LoadTables::ClearPoints() {
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

#include "doc/load_tables.h"

#include <cstring>

#include "doc/tarno_doc.h"

namespace doc {

LoadTables& Tables() {
    static LoadTables tables;
    return tables;
}

void LoadTables::ResetForLoad() {
    pointTable.fill(TablePoint{-1, -1, -1});  // every byte 0xFF
    coordinatePath.fill(TablePoint{0, 0, 0});
    pointPath.fill(0);
    polygonIndexList.fill(0);
    coordinateCount = 0;
    pointPathCount = 0;
    polygonCount = 0;
}

void CTarnoDoc::ClearPointTable() {
    Tables().pointTable.fill(TablePoint{0, 0, 0});
}

void CTarnoDoc::ClearPaths() {
    LoadTables& t = Tables();
    t.coordinatePath.fill(TablePoint{0, 0, 0});
    t.pointPath.fill(0);
}

}  // namespace doc

#pragma once
// The facing test's normal of the polygon in the polygon index list.

#include "doc/load_tables.h"
#include "platform/core/types.h"

namespace doc {

// The unit normal of the first n listed points in list order, computed as the platform's
// faces compute theirs (Newell's method in double, relative to the first vertex; the zero
// vector for a polygon without direction: collinear, coincident, or no wider than float
// rounding of its coordinates; a long thin planar polygon wider than that has one), without making
// a scratch face for every polygon.
[[nodiscard]] rm::D3DVECTOR PolygonNormal(const LoadTables& tables, int n);
// Whether that normal's dot product with `reference` (as D3DRMVectorDotProduct gives it) is
// not negative; the same answer, nearly always without the square root and the division.
[[nodiscard]] bool PolygonFacesAlong(const LoadTables& tables, int n,
                                     const rm::D3DVECTOR& reference);

}  // namespace doc

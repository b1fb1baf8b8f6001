#include "doc/polygon_normal.h"

#include <algorithm>
#include <cmath>

#include "platform/core/vector_math.h"
#include "platform/rm/mesh_builder.h"

namespace doc {

namespace {

rm::D3DVECTOR At(const LoadTables& tables, std::int32_t index) {
    const TablePoint& p = tables.pointTable[static_cast<std::size_t>(index)];
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// Newell's sum over the listed points, relative to the first, with the bounds the
// direction test needs.
struct NewellSum {
    double nx = 0.0;
    double ny = 0.0;
    double nz = 0.0;
    double taxicab = 0.0;  // bounds the perimeter from above
    double largest = 0.0;  // the largest coordinate, as the platform takes it
};

NewellSum SumNewell(const LoadTables& tables, int n) {
    const std::int32_t* list = tables.polygonIndexList.data();
    const rm::D3DVECTOR o = At(tables, list[0]);
    NewellSum s;
    // The order of a maximum does not change it, so it is taken in the same pass over the
    // points as the edges.
    s.largest = std::max({std::abs(static_cast<double>(o.x)), std::abs(static_cast<double>(o.y)),
                          std::abs(static_cast<double>(o.z))});
    double ax = 0.0;  // the edge's start less o: o itself first
    double ay = 0.0;
    double az = 0.0;
    for (int k = 0; k < n; ++k) {
        double bx = 0.0;
        double by = 0.0;
        double bz = 0.0;
        if (k + 1 < n) {
            const rm::D3DVECTOR b = At(tables, list[k + 1]);
            s.largest = std::max(s.largest, std::abs(static_cast<double>(b.x)));
            s.largest = std::max(s.largest, std::abs(static_cast<double>(b.y)));
            s.largest = std::max(s.largest, std::abs(static_cast<double>(b.z)));
            bx = static_cast<double>(b.x) - o.x;
            by = static_cast<double>(b.y) - o.y;
            bz = static_cast<double>(b.z) - o.z;
        }
        s.nx += (ay - by) * (az + bz);
        s.ny += (az - bz) * (ax + bx);
        s.nz += (ax - bx) * (ay + by);
        s.taxicab += std::abs(ax - bx) + std::abs(ay - by) + std::abs(az - bz);
        ax = bx;
        ay = by;
        az = bz;
    }
    return s;
}

rm::D3DVECTOR NormalOf(const LoadTables& tables, int n, const NewellSum& s) {
    const double length = std::sqrt(s.nx * s.nx + s.ny * s.ny + s.nz * s.nz);
    if (!std::isfinite(length) || length < 1e-30) {
        return {};
    }
    // |n| is twice the area; a face no wider than float rounding of its coordinates has no
    // direction. The bound settles nearly every polygon without square roots.
    if (length <= s.taxicab * s.largest * rm::kFloatRounding) {
        const std::int32_t* list = tables.polygonIndexList.data();
        const rm::D3DVECTOR o = At(tables, list[0]);
        double perimeter = 0.0;
        rm::D3DVECTOR a = o;
        for (int k = 0; k < n; ++k) {
            const rm::D3DVECTOR b = k + 1 < n ? At(tables, list[k + 1]) : o;
            // Both ends relative to o, as the sum took them.
            const double ax = static_cast<double>(a.x) - o.x;
            const double ay = static_cast<double>(a.y) - o.y;
            const double az = static_cast<double>(a.z) - o.z;
            const double bx = static_cast<double>(b.x) - o.x;
            const double by = static_cast<double>(b.y) - o.y;
            const double bz = static_cast<double>(b.z) - o.z;
            perimeter +=
                std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by) + (az - bz) * (az - bz));
            a = b;
        }
        if (length <= perimeter * s.largest * rm::kFloatRounding) {
            return {};
        }
    }
    const double inverse = 1.0 / length;
    return {static_cast<float>(s.nx * inverse), static_cast<float>(s.ny * inverse),
            static_cast<float>(s.nz * inverse)};
}

}  // namespace

rm::D3DVECTOR PolygonNormal(const LoadTables& tables, int n) {
    return NormalOf(tables, n, SumNewell(tables, n));
}

bool PolygonFacesAlong(const LoadTables& tables, int n, const rm::D3DVECTOR& reference) {
    const NewellSum s = SumNewell(tables, n);
    // Where the normal surely has a direction and its product with the reference lies well
    // clear of zero, the sign of that product with the unnormalised sum is the answer: the
    // float rounding of the unit normal and of the product moves it by a few parts in ten
    // million of `size` at most.
    const double length2 = s.nx * s.nx + s.ny * s.ny + s.nz * s.nz;
    const double bound = s.taxicab * s.largest * rm::kFloatRounding;
    if (length2 <= 1e300 && length2 > 4.0 * bound * bound && length2 > 1e-58) {
        const double rx = reference.x;
        const double ry = reference.y;
        const double rz = reference.z;
        const double d = s.nx * rx + s.ny * ry + s.nz * rz;
        const double size = std::abs(s.nx * rx) + std::abs(s.ny * ry) + std::abs(s.nz * rz);
        // The second test keeps every term that decides in the normal range of a float.
        if (std::abs(d) > 1e-4 * size && size * size > 1e-40 * length2) {
            return d > 0.0;
        }
    }
    return rm::D3DRMVectorDotProduct(NormalOf(tables, n, s), reference) >= 0.0F;
}

}  // namespace doc

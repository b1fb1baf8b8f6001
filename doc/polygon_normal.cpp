#include "doc/polygon_normal.h"

#include <algorithm>
#include <cmath>

#include "platform/rm/mesh_builder.h"

namespace doc {

namespace {

rm::D3DVECTOR At(const LoadTables& tables, std::int32_t index) {
    const TablePoint& p = tables.pointTable[static_cast<std::size_t>(index)];
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

}  // namespace

rm::D3DVECTOR PolygonNormal(const LoadTables& tables, int n) {
    const std::int32_t* list = tables.polygonIndexList.data();
    const rm::D3DVECTOR o = At(tables, list[0]);
    const auto edges = [&](auto&& visit) {
        rm::D3DVECTOR a = o;
        for (int k = 0; k < n; ++k) {
            const rm::D3DVECTOR b = k + 1 < n ? At(tables, list[k + 1]) : o;
            visit(static_cast<double>(a.x) - o.x, static_cast<double>(a.y) - o.y,
                  static_cast<double>(a.z) - o.z, static_cast<double>(b.x) - o.x,
                  static_cast<double>(b.y) - o.y, static_cast<double>(b.z) - o.z);
            a = b;
        }
    };
    double nx = 0.0;
    double ny = 0.0;
    double nz = 0.0;
    double taxicab = 0.0;  // bounds the perimeter from above
    // The largest coordinate, as the platform takes it; the order of a maximum does not
    // change it, so it is taken in the same pass over the points as the edges.
    double largest =
        std::max({std::abs(static_cast<double>(o.x)), std::abs(static_cast<double>(o.y)),
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
            largest = std::max(largest, std::abs(static_cast<double>(b.x)));
            largest = std::max(largest, std::abs(static_cast<double>(b.y)));
            largest = std::max(largest, std::abs(static_cast<double>(b.z)));
            bx = static_cast<double>(b.x) - o.x;
            by = static_cast<double>(b.y) - o.y;
            bz = static_cast<double>(b.z) - o.z;
        }
        nx += (ay - by) * (az + bz);
        ny += (az - bz) * (ax + bx);
        nz += (ax - bx) * (ay + by);
        taxicab += std::abs(ax - bx) + std::abs(ay - by) + std::abs(az - bz);
        ax = bx;
        ay = by;
        az = bz;
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!std::isfinite(length) || length < 1e-30) {
        return {};
    }
    // |n| is twice the area; a face no wider than float rounding of its coordinates has no
    // direction. The bound settles nearly every polygon without square roots.
    if (length <= taxicab * largest * rm::kFloatRounding) {
        double perimeter = 0.0;
        edges([&](double ax, double ay, double az, double bx, double by, double bz) {
            perimeter +=
                std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by) + (az - bz) * (az - bz));
        });
        if (length <= perimeter * largest * rm::kFloatRounding) {
            return {};
        }
    }
    const double inverse = 1.0 / length;
    return {static_cast<float>(nx * inverse), static_cast<float>(ny * inverse),
            static_cast<float>(nz * inverse)};
}

}  // namespace doc

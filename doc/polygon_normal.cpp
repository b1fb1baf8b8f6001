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
    double largest = 0.0;  // the largest coordinate, as the platform takes it
    for (int k = 0; k < n; ++k) {
        const rm::D3DVECTOR p = At(tables, list[k]);
        largest =
            std::max({largest, std::abs(static_cast<double>(p.x)),
                      std::abs(static_cast<double>(p.y)), std::abs(static_cast<double>(p.z))});
    }
    edges([&](double ax, double ay, double az, double bx, double by, double bz) {
        nx += (ay - by) * (az + bz);
        ny += (az - bz) * (ax + bx);
        nz += (ax - bx) * (ay + by);
        taxicab += std::abs(ax - bx) + std::abs(ay - by) + std::abs(az - bz);
    });
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

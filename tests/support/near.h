#pragma once
// Vectors and matrices compared within a tolerance, with a readable message when not.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/core/types.h"
#include "platform/core/vector_math.h"

namespace tarno_test {

inline ::testing::AssertionResult Near(const rm::D3DVECTOR& actual, const rm::D3DVECTOR& expected,
                                       float tolerance = 1e-4F) {
    const float dx = actual.x - expected.x;
    const float dy = actual.y - expected.y;
    const float dz = actual.z - expected.z;
    if (dx * dx + dy * dy + dz * dz <= tolerance * tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not near ("
           << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

inline ::testing::AssertionResult Near(const rm::Matrix4& a, const rm::Matrix4& b,
                                       float tolerance = 1e-5F) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (std::abs(a.m[i][j] - b.m[i][j]) > tolerance) {
                return ::testing::AssertionFailure() << "element [" << i << "][" << j
                                                     << "]: " << a.m[i][j] << " vs " << b.m[i][j];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace tarno_test

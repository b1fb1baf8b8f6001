#pragma once
// Committed reference pictures: a drawn picture is compared with tests/reference/NAME.png
// pixel for pixel (colour channels; alpha is not stored meaningfully). With
// TARNO_UPDATE_REFERENCES set in the environment the picture is written there instead;
// look at the new files before committing them.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/image/png_writer.h"
#include "tests/support/paths.h"

namespace tarno_test {

[[nodiscard]] inline bool UpdatingReferences() {
    return std::getenv("TARNO_UPDATE_REFERENCES") != nullptr;
}

[[nodiscard]] inline std::string ReferencePath(const std::string& name) {
    return SourcePath("tests/reference/" + name + ".png");
}

inline void ExpectMatchesReference(const rm::PictureView& drawn, const std::string& name) {
    const std::string path = ReferencePath(name);
    if (UpdatingReferences()) {
        ASSERT_TRUE(rm::WritePng(path, drawn)) << path;
        return;
    }
    rm::Picture expected;
    ASSERT_TRUE(rm::ReadPng(path, expected)) << path;
    ASSERT_EQ(expected.width, drawn.width) << path;
    ASSERT_EQ(expected.height, drawn.height) << path;
    int differ = 0;
    int firstX = -1;
    int firstY = -1;
    for (int y = 0; y < drawn.height; ++y) {
        for (int x = 0; x < drawn.width; ++x) {
            const std::size_t i =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(drawn.width) +
                static_cast<std::size_t>(x);
            if ((drawn.pixels[i] & 0x00FFFFFFU) != (expected.pixels[i] & 0x00FFFFFFU)) {
                if (differ == 0) {
                    firstX = x;
                    firstY = y;
                }
                ++differ;
            }
        }
    }
    EXPECT_EQ(differ, 0) << path << ": first difference at " << firstX << "," << firstY;
}

inline void ExpectMatchesReference(const rm::Picture& drawn, const std::string& name) {
    ExpectMatchesReference(rm::PictureView{drawn.width, drawn.height, drawn.pixels.data()}, name);
}

}  // namespace tarno_test

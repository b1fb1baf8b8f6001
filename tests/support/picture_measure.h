#pragma once
// How much of a rendered picture shows the model, and where.

#include <cstddef>

#include "platform/image/picture.h"

namespace tarno_test {

// Pixels that differ from the scene's background (black; alpha ignored, as PNG files
// may not keep it), and their centre of mass. Black faces count as background.
struct Coverage {
    std::size_t pixels = 0;
    double centreX = 0.0;
    double centreY = 0.0;
};
Coverage Measure(const rm::Picture& picture);

}  // namespace tarno_test

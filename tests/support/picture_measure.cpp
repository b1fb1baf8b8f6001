#include "tests/support/picture_measure.h"

namespace tarno_test {

Coverage Measure(const rm::Picture& picture) {
    Coverage c;
    if (picture.Empty()) return c;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if ((picture.At(x, y) & 0x00FFFFFFU) == 0) continue;
            ++c.pixels;
            c.centreX += x;
            c.centreY += y;
        }
    }
    if (c.pixels > 0) {
        c.centreX /= static_cast<double>(c.pixels);
        c.centreY /= static_cast<double>(c.pixels);
    }
    return c;
}

}  // namespace tarno_test

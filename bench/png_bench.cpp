// Encoding a picture as PNG, as `--render` and copying to the clipboard do after the frame:
// it runs on one thread after everything else, so it adds straight to the time to a file.
// The picture is like a rendered one: a dark background, a few thousand flat-lit boxes and
// one smoothly shaded band.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/image/png_writer.h"

namespace {

rm::Picture RenderedLike(int width, int height) {
    rm::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                          0xFF1A1A26U);
    std::uint32_t state = 12345U;
    const auto next = [&state] {
        state ^= state << 13U;
        state ^= state >> 17U;
        state ^= state << 5U;
        return state;
    };
    const int boxes = width * height / 400;
    for (int i = 0; i < boxes; ++i) {
        const int x0 = static_cast<int>(next() % static_cast<std::uint32_t>(width));
        const int y0 = static_cast<int>(next() % static_cast<std::uint32_t>(height));
        const int size = 2 + static_cast<int>(next() % 12U);
        const rm::D3DCOLOR color = 0xFF000000U | (next() & 0x00FFFFFFU);
        for (int y = y0; y < y0 + size && y < height; ++y) {
            for (int x = x0; x < x0 + size && x < width; ++x) {
                picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)] = color;
            }
        }
    }
    for (int y = height / 3; y < height / 2; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto shade = static_cast<std::uint8_t>(x * 255 / width);
            picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)] = rm::MakeColor(shade, shade / 2, 80, 255);
        }
    }
    return picture;
}

void EncodePicture(benchmark::State& state, int width, int height) {
    const rm::Picture picture = RenderedLike(width, height);
    std::string bytes;
    for (auto _ : state) {
        if (!rm::EncodePng(picture, bytes)) {
            state.SkipWithError("encoding failed");
            return;
        }
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

BENCHMARK_CAPTURE(EncodePicture, 1280x720, 1280, 720)
    ->Name("PngEncode/1280x720")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodePicture, 3840x2160, 3840, 2160)
    ->Name("PngEncode/3840x2160")
    ->Unit(benchmark::kMillisecond);

}  // namespace

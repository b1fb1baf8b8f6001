#pragma once
// The software rasterizer behind every device: a colour buffer (0xAARRGGBB) and a depth
// buffer, drawn in screen tiles by a small pool of worker threads. The same input gives
// the same pixels whatever the number of threads.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/image/picture.h"
#include "platform/raster/render_job.h"

namespace rm {

struct RenderStats {
    std::uint64_t trianglesIn = 0;      // after fan triangulation, before culling
    std::uint64_t trianglesDrawn = 0;   // reached rasterization
    std::uint64_t fragmentsPassed = 0;  // passed the depth test (only counted when enabled)
};

// A face found by Renderer::Pick: the mesh (one of the job's) and the face's index in it.
struct PickResult {
    const MeshData* mesh = nullptr;
    std::uint32_t face = 0;
};

class Renderer {
public:
    // threads 0: one per hardware thread. width and height are kept within 1..8192.
    Renderer(int width, int height, unsigned threads = 0);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;
    [[nodiscard]] unsigned ThreadCount() const;

    // Colour to `background`, depth to farthest, inside rect (clipped to the buffer).
    void Clear(const ViewportRect& rect, D3DCOLOR background);
    // Draws the job over what the buffers hold.
    void Render(const RenderJob& job);
    // The face that Render(job) after a Clear leaves at pixel (x, y) of the buffer: the same
    // transformation, clipping, culling and depth test, without drawing anything. False
    // when no face covers that pixel (or it is outside the job's rectangle).
    [[nodiscard]] bool Pick(const RenderJob& job, int x, int y, PickResult& out);
    // The finished picture (valid until the next Clear or Render).
    [[nodiscard]] PictureView Picture();

    // Smooth edges: four samples a pixel, resolved per tile; off gives the aliased picture
    // of one sample at each pixel centre. Off until set. With it on, the fragment count is
    // that of the first sample.
    void SetAntialias(bool on);
    [[nodiscard]] bool Antialias() const;

    void SetCountFragments(bool on);
    [[nodiscard]] const RenderStats& LastStats() const;
    // Bytes held by the buffers and the reusable per-frame storage. Once a scene has been
    // drawn, drawing it again must not change this: a warm frame allocates nothing.
    [[nodiscard]] std::size_t ReservedBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace rm

// Placeholder until the tiled rasterizer lands: clears, draws nothing.
#include "platform/raster/renderer.h"

#include <algorithm>
#include <vector>

namespace rm {

struct Renderer::Impl {
    int width;
    int height;
    std::vector<D3DCOLOR> color;
    RenderStats stats;
};

Renderer::Renderer(int width, int height, unsigned /*threads*/)
    : m_impl(std::make_unique<Impl>(Impl{width, height,
                                         std::vector<D3DCOLOR>(static_cast<std::size_t>(width) *
                                                               static_cast<std::size_t>(height)),
                                         {}})) {}
Renderer::~Renderer() = default;
int Renderer::Width() const { return m_impl->width; }
int Renderer::Height() const { return m_impl->height; }
unsigned Renderer::ThreadCount() const { return 1; }
void Renderer::Clear(const ViewportRect& /*rect*/, D3DCOLOR background) {
    std::fill(m_impl->color.begin(), m_impl->color.end(), background);
}
void Renderer::Render(const RenderJob& /*job*/) {}
PictureView Renderer::Picture() { return {m_impl->width, m_impl->height, m_impl->color.data()}; }
void Renderer::SetCountFragments(bool /*on*/) {}
const RenderStats& Renderer::LastStats() const { return m_impl->stats; }

}  // namespace rm

// The prism faces that draw nothing, told apart before their corners are gathered. A big
// model's strokes are thin prisms of ten faces each; seen from anywhere, about half of them
// face away and most of the rest are too thin to cover a sample.

#include "platform/raster/face_builder.h"

namespace rm::raster {

bool FaceBuilder::PrismFaceDrawsNothing() {
    const PrismRecord* const prism = m_mesh.PrismOf(*m_face);
    if (prism == nullptr) {
        return false;
    }
    const std::uint32_t first = prism->firstPosition;
    if (first > m_mesh.positions.size() || m_mesh.positions.size() - first < kPrismVertices) {
        return false;
    }
    PrismScreen& held = m_scratch.prismScreen;
    if (held.holder != &m_setup || held.prism != m_face->PrismIndex()) {
        // From the window where it holds all sixteen: the same bits either way.
        const std::uint32_t windowFirst = m_scratch.windowFirst;
        if (m_scratch.windowMesh == &m_setup && first >= windowFirst &&
            first - windowFirst <= m_scratch.windowCount &&
            m_scratch.windowCount - (first - windowFirst) >= kPrismVertices) {
            const ProjectedVertex* from = m_scratch.window.data() + (first - windowFirst);
            for (std::uint32_t k = 0; k < kPrismVertices; ++k) {
                held.vertex[k] = from[k];
            }
        } else {
            TransformVertices(m_frame, m_setup, first, first + kPrismVertices, held.vertex);
        }
        held.codes = 0;
        for (const ProjectedVertex& v : held.vertex) {
            held.codes |= v.Code();
        }
        held.holder = &m_setup;
        held.prism = m_face->PrismIndex();
    }
    if ((held.codes & (kClipMask | kNonFinite)) != 0) {
        return false;  // Build clips the face, or drops it for a corner that is not finite
    }
    const PrismFace face = kPrismFaceList[m_face->PrismFaceNumber()];
    ScreenVertex s[kMaxPrismFaceCorners];
    std::uint32_t all = ~0U;
    for (std::uint32_t k = 0; k < face.count; ++k) {
        const ProjectedVertex& v = held.vertex[kPrismCornerList[face.first + k].vertex];
        s[k] = {v.Fx(), v.fy, v.depth, 0, 0, 0};
        all &= v.Code();
    }
    if ((all & kRejectMask) != 0) {
        return true;  // every corner outside one side of the view
    }
    for (std::uint32_t k = 1; k + 1 < face.count; ++k) {
        if (SignedArea(s[0], s[k], s[k + 1]) > 0) {
            return false;
        }
    }
    if ((m_face->flags & kFaceStroke) != 0 && m_count == 4) {
        // A side: its centre line is drawn where it faces the eye squarely enough.
        const std::uint32_t side = m_face->PrismFaceNumber() - 1;
        StrokeSides& sides = m_scratch.strokeSides;
        if (side >= 8 || !sides.Hold(&m_setup, m_mesh, m_face->PrismIndex(), m_setup.toCamera) ||
            sides.Draws(side)) {
            return false;
        }
    }
    return true;
}

}  // namespace rm::raster

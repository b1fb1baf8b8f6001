// Faces that draw nothing, told apart before their corners are gathered and copied: on a
// big model two faces in three face away or lie outside the view. A plain face's corners
// are read from the block's window; a ring prism's from its sixteen screen vertices, kept
// while its ten faces are built one after another. Whatever this cannot decide from those
// alone, it leaves to the face builder.

#include "platform/raster/face_builder.h"

namespace rm::raster {

namespace {

// True when a face with these projected corners draws no triangle as the face builder
// draws it: all outside one side of the view, or, needing no clipping, every triangle of
// its fan facing away or without area.
bool FanDrawsNothing(const ProjectedVertex* const* corners, std::uint32_t count) {
    std::uint32_t all = ~0U;
    std::uint32_t any = 0;
    for (std::uint32_t k = 0; k < count; ++k) {
        all &= corners[k]->Code();
        any |= corners[k]->Code();
    }
    if ((any & (kClipMask | kNonFinite)) != 0) {
        return false;  // clipped, or dropped for a corner that is not finite
    }
    if ((all & kRejectMask) != 0) {
        return true;
    }
    const auto screen = [&](std::uint32_t k) {
        return ScreenVertex{corners[k]->Fx(), corners[k]->fy, 0, 0, 0, 0};
    };
    const ScreenVertex s0 = screen(0);
    ScreenVertex previous = screen(1);
    for (std::uint32_t k = 2; k < count; ++k) {
        const ScreenVertex next = screen(k);
        if (SignedArea(s0, previous, next) > 0) {
            return false;
        }
        previous = next;
    }
    return true;
}

}  // namespace

bool FaceBuilder::PlainFaceDrawsNothing() {
    const std::uint32_t first = m_face->firstCorner;
    const std::vector<std::uint32_t>& plain = m_mesh.plainCorners;
    if (m_count > kSmallFaceCorners || first > plain.size() || m_count > plain.size() - first ||
        (m_face->flags & kFaceStroke) != 0 || m_scratch.windowMesh != &m_setup) {
        return false;
    }
    const ProjectedVertex* corners[kSmallFaceCorners];
    const std::uint32_t windowFirst = m_scratch.windowFirst;
    const std::uint32_t windowCount = m_scratch.windowCount;
    for (std::uint32_t k = 0; k < m_count; ++k) {
        const std::uint32_t at = plain[first + k] - windowFirst;  // wraps below the window
        if (at >= windowCount) {
            return false;
        }
        corners[k] = &m_scratch.window[at];
    }
    return FanDrawsNothing(corners, m_count);
}

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
        held.holder = &m_setup;
        held.prism = m_face->PrismIndex();
    }
    const PrismFace face = kPrismFaceList[m_face->PrismFaceNumber()];
    const ProjectedVertex* corners[kMaxPrismFaceCorners];
    for (std::uint32_t k = 0; k < face.count; ++k) {
        corners[k] = &held.vertex[kPrismCornerList[face.first + k].vertex];
    }
    if (!FanDrawsNothing(corners, face.count)) {
        return false;
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

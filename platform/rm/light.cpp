#include "platform/rm/light.h"

#include <cmath>

#include "platform/rm/revision.h"

namespace rm {

Result Light::SetColorRGB(D3DVALUE r, D3DVALUE g, D3DVALUE b) {
    if (!std::isfinite(r) || !std::isfinite(g) || !std::isfinite(b)) {
        return Result::BadValue;
    }
    m_color = {r, g, b};
    BumpRevision();
    return Result::Ok;
}

}  // namespace rm

#include "platform/core/types.h"

namespace rm {

bool IsValidQuality(D3DRMRENDERQUALITY q) {
    if ((q & ~(D3DRMSHADE_MASK | D3DRMLIGHT_MASK | D3DRMFILL_MASK)) != 0) {
        return false;
    }
    const std::uint32_t shade = q & D3DRMSHADE_MASK;
    const std::uint32_t light = q & D3DRMLIGHT_MASK;
    const std::uint32_t fill = q & D3DRMFILL_MASK;
    return (shade == D3DRMSHADE_FLAT || shade == D3DRMSHADE_GOURAUD) &&
           (light == D3DRMLIGHT_OFF || light == D3DRMLIGHT_ON) &&
           (fill == D3DRMFILL_POINTS || fill == D3DRMFILL_WIREFRAME || fill == D3DRMFILL_SOLID);
}

const char* ResultName(Result r) {
    switch (r) {
        case Result::Ok:
            return "Ok";
        case Result::BadValue:
            return "BadValue";
        case Result::BadObject:
            return "BadObject";
        case Result::BadSize:
            return "BadSize";
        case Result::BadFaceData:
            return "BadFaceData";
        case Result::NotFound:
            return "NotFound";
        case Result::OutOfMemory:
            return "OutOfMemory";
        case Result::Unsupported:
            return "Unsupported";
    }
    return "Unknown";
}

}  // namespace rm

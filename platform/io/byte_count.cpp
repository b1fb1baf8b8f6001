#include "platform/io/byte_count.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rm {

std::size_t CountByte(std::string_view text, char byte) {
    const char* p = text.data();
    std::size_t left = text.size();
    std::size_t count = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    // Each equal byte adds one to its lane (compare gives -1, subtracted); a lane holds at
    // most 255, so the lanes are summed every 255 blocks.
    constexpr std::size_t kBlocksPerSum = 255;
    while (left >= 16) {
        const std::size_t blocks = std::min(left / 16, kBlocksPerSum);
        __m128i lanes = _mm_setzero_si128();
        for (std::size_t b = 0; b < blocks; ++b) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(v, wanted));
            p += 16;
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        left -= blocks * 16;
    }
#endif
    return count + static_cast<std::size_t>(std::count(p, p + left, byte));
}

}  // namespace rm

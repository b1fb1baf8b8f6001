#include "platform/io/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/io/byte_count.h"
#include "platform/io/regular_file.h"

namespace rm {

namespace {

// The offset of the first line feed in base[from, to), or `to` if there is none. Most
// lines are short: their end is found in the first blocks of 16 bytes, read whole (up to
// 15 bytes past `to`, which the buffer's padding holds), before a call to memchr would.
std::size_t FindLineEnd(const char* base, std::size_t from, std::size_t to) {
#if defined(__SSE2__)
    constexpr std::size_t kProbe = 64;
    const __m128i feed = _mm_set1_epi8('\n');
    const std::size_t probeEnd = std::min(to, from + kProbe);
    for (std::size_t k = from; k < probeEnd; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + k));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, feed)));
        if (mask != 0) {
            // A line feed past `to` is left over from earlier contents of the buffer.
            return std::min(k + static_cast<std::size_t>(std::countr_zero(mask)), to);
        }
    }
    from = probeEnd;
#endif
    const void* nl = from < to ? std::memchr(base + from, '\n', to - from) : nullptr;
    return nl != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nl) - base) : to;
}

std::string SystemError(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

TextFile::~TextFile() {
    Close();
}

bool TextFile::Open(const std::string& path) {
    Close();
    m_error.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_error = SystemError(("cannot open \"" + path + "\"").c_str(), errno);
        return false;
    }
    m_fd = fd;
    m_buffer.resize(kBufferSize + kLinePadding);
    return true;
}

bool TextFile::OpenRegular(const std::string& path) {
    Close();
    m_error.clear();
    const int fd = OpenRegularFile(path, m_error);
    if (fd < 0) {
        return false;
    }
    m_fd = fd;
    m_buffer.resize(kBufferSize + kLinePadding);
    return true;
}

void TextFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferStart = 0;
    m_bufferSize = 0;
    m_position = 0;
    m_lineStart = 0;
    m_drained = false;
    m_endOfText = -1;
}

bool TextFile::Restart() {
    if (::lseek(m_fd, m_position, SEEK_SET) < 0) {
        m_error = SystemError("seek failed", errno);
        return false;
    }
    m_bufferStart = m_position;
    m_bufferSize = 0;
    // Bytes from a 0x1A on are never delivered, however the file is reached again.
    m_drained = m_endOfText >= 0 && m_position >= m_endOfText;
    return true;
}

bool TextFile::Refill(std::size_t keep) {
    if (keep > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + keep, m_bufferSize - keep);
        m_bufferStart += static_cast<std::int64_t>(keep);
        m_bufferSize -= keep;
    }
    // The last kLinePadding bytes are never filled, so every line is followed by them.
    std::size_t usable = m_buffer.size() - kLinePadding;
    if (m_bufferSize == usable) {
        usable *= 2;  // one line fills the buffer
        m_buffer.resize(usable + kLinePadding);
    }
    ssize_t got = 0;
    do {
        got = ::read(m_fd, m_buffer.data() + m_bufferSize, usable - m_bufferSize);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        m_error = SystemError("read error", errno);
        return false;
    }
    if (got == 0) {
        m_drained = true;
        return true;
    }
    auto fresh = static_cast<std::size_t>(got);
    const std::int64_t freshStart = m_bufferStart + static_cast<std::int64_t>(m_bufferSize);
    if (m_endOfText >= 0 && freshStart + got > m_endOfText) {
        fresh = static_cast<std::size_t>(m_endOfText - freshStart);
        m_drained = true;
    } else if (const void* eot = std::memchr(m_buffer.data() + m_bufferSize, 0x1A, fresh)) {
        fresh = static_cast<std::size_t>(static_cast<const char*>(eot) -
                                         (m_buffer.data() + m_bufferSize));
        m_endOfText = freshStart + static_cast<std::int64_t>(fresh);
        m_drained = true;
    }
    m_bufferSize += fresh;
    return true;
}

ReadStatus TextFile::ReadLine(std::string_view& line) {
    line = {};
    if (m_fd < 0) {
        m_error = "file not open";
        return ReadStatus::Error;
    }
    const std::int64_t bufferEnd = m_bufferStart + static_cast<std::int64_t>(m_bufferSize);
    if (m_position < m_bufferStart || m_position > bufferEnd) {
        if (!Restart()) {
            return ReadStatus::Error;
        }
    }
    m_lineStart = m_position;
    auto begin = static_cast<std::size_t>(m_position - m_bufferStart);
    std::size_t scan = begin;
    for (;;) {
        const char* base = m_buffer.data();
        // The buffer always has kLinePadding bytes past m_bufferSize.
        static_assert(kLinePadding >= 16);
        if (const std::size_t end = FindLineEnd(base, scan, m_bufferSize); end < m_bufferSize) {
            std::size_t length = end - begin;
            if (length > 0 && base[end - 1] == '\r') {
                --length;  // CR LF is one line end; a CR elsewhere stays in the line
            }
            m_position = m_bufferStart + static_cast<std::int64_t>(end) + 1;
            line = std::string_view(base + begin, length);
            return ReadStatus::Line;
        }
        if (m_drained) {
            if (begin == m_bufferSize) {
                return ReadStatus::End;
            }
            // The last line needs no line end.
            m_position = m_bufferStart + static_cast<std::int64_t>(m_bufferSize);
            line = std::string_view(base + begin, m_bufferSize - begin);
            return ReadStatus::Line;
        }
        scan = m_bufferSize - begin;
        if (!Refill(begin)) {
            return ReadStatus::Error;
        }
        begin = 0;
    }
}

bool TextFile::CountLinesTo(std::int64_t offset, std::int64_t& lines) {
    lines = 0;
    if (m_fd < 0) {
        m_error = "file not open";
        return false;
    }
    if (offset <= m_position) {
        return offset == m_position;
    }
    const std::int64_t bufferEnd = m_bufferStart + static_cast<std::int64_t>(m_bufferSize);
    if ((m_position < m_bufferStart || m_position > bufferEnd) && !Restart()) {
        return false;
    }
    std::int64_t counted = 0;
    char last = 0;
    while (m_position < offset) {
        const auto begin = static_cast<std::size_t>(m_position - m_bufferStart);
        if (begin == m_bufferSize) {
            if (m_drained || !Refill(m_bufferSize)) {
                return false;  // the text ends before `offset`, or the read failed
            }
            continue;
        }
        const auto end = static_cast<std::size_t>(std::min<std::int64_t>(
            offset - m_bufferStart, static_cast<std::int64_t>(m_bufferSize)));
        const char* base = m_buffer.data();
        counted +=
            static_cast<std::int64_t>(CountByte(std::string_view(base + begin, end - begin), '\n'));
        last = base[end - 1];
        m_position = m_bufferStart + static_cast<std::int64_t>(end);
    }
    if (last != '\n') {
        return false;  // `offset` is inside a line
    }
    lines = counted;
    return true;
}

ReadStatus TextFile::ReadString(std::string& line) {
    std::string_view view;
    const ReadStatus status = ReadLine(view);
    line.assign(view);
    return status;
}

bool TextFile::SeekRelative(std::int64_t offset) {
    if (m_fd < 0) {
        m_error = "file not open";
        return false;
    }
    if (offset < 0 && -offset > m_position) {
        m_error = "seek before the start of the file";
        return false;
    }
    return SeekTo(m_position + offset);
}

bool TextFile::SeekTo(std::int64_t position) {
    if (m_fd < 0) {
        m_error = "file not open";
        return false;
    }
    if (position < 0) {
        m_error = "seek before the start of the file";
        return false;
    }
    m_position = position;
    // Within the buffered bytes (the usual return to a line just read) no system call is
    // needed; anywhere else the buffer starts again there.
    const std::int64_t bufferEnd = m_bufferStart + static_cast<std::int64_t>(m_bufferSize);
    if (position >= m_bufferStart && position <= bufferEnd) {
        return true;
    }
    return Restart();
}

}  // namespace rm

#include "doc/rest_of_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <new>

#include "doc/keywords.h"
#include "doc/split_line.h"
#include "doc/tarno_doc.h"
#include "doc/tokens.h"
#include "platform/io/regular_file.h"
#include "platform/io/text_file.h"

namespace doc {

namespace {

// How far past the chosen offset a point block is looked for.
constexpr std::int64_t kSearchBytes = std::int64_t{1} << 20;
constexpr std::uint32_t kUnassigned = 0xFFFFFFFFU;

constexpr std::size_t kFindWindow = std::size_t{16} << 10;

struct FileDescriptor {
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    int fd = -1;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// Reads up to the window's size at `offset`; 0 at the end of the file or on an error.
std::size_t ReadAt(int fd, std::array<char, kFindWindow>& window, std::int64_t offset) {
    ssize_t got = 0;
    do {
        got = ::pread(fd, window.data(), window.size(), static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool OpensPointBlock(std::string_view line) {
    std::size_t pos = 0;
    std::string_view first;
    if (!NextToken(line, pos, first) || first.size() > 16) {
        return false;
    }
    char upper[16];
    for (std::size_t k = 0; k < first.size(); ++k) {
        upper[k] = UpperByte(first[k]);
    }
    const Keyword k = MatchKeyword(std::string_view(upper, first.size()));
    return k == Keyword::Points || k == Keyword::VecPoints || k == Keyword::VectorPoints;
}

}  // namespace

std::int64_t RestOfFile::FindStart(const std::string& path, std::int64_t from,
                                   std::int64_t fileSize) {
    // A few small reads there: the load waits for this before either part starts, and a
    // text file's reader would first fill a buffer of a megabyte.
    std::string problem;
    const FileDescriptor file{rm::OpenRegularFile(path, problem)};
    if (file.fd < 0) {
        return -1;
    }
    std::array<char, kFindWindow> window;
    const char* const base = window.data();
    const std::int64_t limit = from + kSearchBytes;
    std::int64_t at = from;  // the file offset of the window's first byte
    bool inLine = true;      // the line `from` falls in is not the rest's
    while (at < limit) {
        const std::size_t size = ReadAt(file.fd, window, at);
        if (size == 0) {
            return -1;
        }
        std::size_t pos = 0;
        if (inLine) {
            const void* end = std::memchr(base, '\n', size);
            if (end == nullptr) {
                at += static_cast<std::int64_t>(size);
                continue;
            }
            pos = static_cast<std::size_t>(static_cast<const char*>(end) - base) + 1;
            inLine = false;
        }
        // A line starts at `pos`; only those that start before the limit are looked at.
        while (pos < size && at + static_cast<std::int64_t>(pos) < limit) {
            const void* end = std::memchr(base + pos, '\n', size - pos);
            if (end == nullptr && pos > 0 && at + static_cast<std::int64_t>(size) < fileSize) {
                break;  // it runs past the window: read again from its start
            }
            const std::size_t stop =
                end == nullptr ? size
                               : static_cast<std::size_t>(static_cast<const char*>(end) - base);
            // A line longer than the window is judged by its first bytes: its first token
            // is all that counts.
            if (OpensPointBlock(std::string_view(base + pos, stop - pos))) {
                return at + static_cast<std::int64_t>(pos);
            }
            if (end == nullptr) {
                inLine = true;
                pos = size;
                break;
            }
            pos = stop + 1;
        }
        at += static_cast<std::int64_t>(pos);
    }
    return -1;
}

RestOfFile::RestOfFile(std::string path, std::int64_t start, std::int64_t fileSize, bool observed)
    : m_path(std::move(path)),
      m_start(start),
      m_fileSize(fileSize),
      m_observed(observed),
      m_thread([this] { Run(); }) {}

RestOfFile::~RestOfFile() {
    Abandon();
}

void RestOfFile::Abandon() {
    m_cancel.store(true, std::memory_order_relaxed);
    Wait();
}

void RestOfFile::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void RestOfFile::Run() {
    try {
        rm::TextFile file;
        if (!file.OpenRegular(m_path)) {
            return;
        }
        // Its lines are numbered from its start: how many come before it is known only
        // when the line loop reaches it, and counting them here first would hold the rest
        // back. The join renumbers them.
        if (!file.SeekTo(m_start) || m_cancel.load(std::memory_order_relaxed)) {
            return;
        }
        m_tables->StartPartial();
        LoadContext ctx(file, m_fileSize, *m_tables, m_mesh, m_observed ? &m_warnings : nullptr);
        ctx.SetStart(m_start);
        ctx.cancel = &m_cancel;
        CTarnoDoc::RunLineLoop(ctx);
        if (ctx.Failed()) {
            return;
        }
        m_summary = ctx.summary;
        m_firstPositions = std::move(ctx.firstPositions);
        m_lastLine = ctx.line;
        m_strokeLimitReached = ctx.strokeLimitReported;
        m_complete = true;
    } catch (...) {
        // Whatever stopped the rest, reading on in order meets it again and reports it.
        m_complete = false;
    }
}

bool RestOfFile::JoinInto(LoadContext& ctx) {
    Wait();
    if (!m_complete || !ctx.reachedStop || !ctx.stoppedExactly || ctx.Failed() ||
        !m_tables->PointsDetermined() || m_strokeLimitReached ||
        ctx.summary.strokes + m_summary.strokes > kMaxStrokesPerLoad) {
        return false;
    }
    // Read in order, a polygon of the rest reuses the mesh position the part before left
    // for its point when the point still holds the same value; the rest made its own.
    const rm::MeshData& part = m_mesh.Data();
    std::vector<std::uint32_t> positionMap(part.positions.size(), kUnassigned);
    for (const LoadContext::FirstPosition& first : m_firstPositions) {
        std::uint32_t shared = 0;
        if (ctx.SharedPosition(first.index, first.value, shared)) {
            positionMap[first.position] = shared;
        }
    }
    auto next = static_cast<std::uint32_t>(ctx.mesh.Data().positions.size());
    for (std::uint32_t& p : positionMap) {
        if (p == kUnassigned) {
            p = next++;
        }
    }
    // The rest's pools are given back as they are copied: the load's peak stays near the
    // size of the whole mesh instead of one and a half times it.
    // The line loop stopped exactly at the rest's first line: it read every line before.
    const std::int64_t linesBefore = ctx.line;
    if (rm::Failed(
            ctx.mesh.AppendTaking(m_mesh, positionMap, CTarnoDoc::SourceLineTag(linesBefore)))) {
        return false;
    }
    ctx.tables.TakeOver(*m_tables);
    ctx.summary.points += m_summary.points;
    ctx.summary.faces += m_summary.faces;
    ctx.summary.strokes += m_summary.strokes;
    ctx.summary.parts += m_summary.parts;
    ctx.strokeLimitReported = m_strokeLimitReached;
    ctx.line = linesBefore + m_lastLine;
    if (ctx.observer != nullptr) {
        m_warnings.Replay(*ctx.observer, linesBefore);
    }
    return true;
}

}  // namespace doc

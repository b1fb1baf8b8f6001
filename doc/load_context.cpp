#include "doc/load_context.h"

#include <algorithm>
#include <climits>

#include "doc/tarno_doc.h"
#include "platform/core/huge_page.h"

namespace doc {

bool LoadContext::ReadAgain(std::string_view& text) {
    if (m_failed) {
        return false;
    }
    m_replay = false;
    text = m_lastLine;
    ++line;
    return true;
}

bool LoadContext::AfterRead(rm::ReadStatus status, std::string_view& text) {
    if (status == rm::ReadStatus::Error) {
        Fail(file.Error(), line + 1);
        return false;
    }
    if (status == rm::ReadStatus::End) {
        return false;
    }
    ++line;
    if (file.LineStart() == 0 && text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);  // byte-order mark of a file saved as UTF-8
    }
    m_lastLine = text;
    return true;
}

bool LoadContext::Rewind() {
    if (line <= 0 || m_replay) {
        Fail("cannot return to the line");
        return false;
    }
    // The view stays valid: nothing is read from the file until the line is read again.
    m_replay = true;
    --line;
    return true;
}

int LoadContext::SplitRead(std::string_view text) {
    bool dropped = false;
    // The file's reader leaves readable bytes after every line.
    static_assert(rm::TextFile::kLinePadding >= kPaddingNeeded);
    int count = SplitPaddedLine(text, tokens.data(), static_cast<int>(tokens.size()), dropped);
    while (dropped && tokens.size() < std::size_t{INT_MAX}) {
        // More tokens than slots: none is dropped (a lost ")" would run the block on into
        // the next commands). A line has no more tokens than bytes.
        tokens.resize(std::min({tokens.size() * 4, text.size() + 1, std::size_t{INT_MAX}}));
        count = SplitPaddedLine(text, tokens.data(), static_cast<int>(tokens.size()), dropped);
    }
    m_lastCount = count;
    return count;
}

LoadContext::BlockLine LoadContext::NextBlockLine(int& count) {
    return NextBlockLine(count, [](std::string_view /*text*/) { return false; });
}

std::int32_t LoadContext::OtherDecimal(std::string_view token) const {
    bool isNumber = true;
    const std::int32_t v = ReadDecimal(token, isNumber);
    if (!isNumber && observer != nullptr) {
        Warn(LoadWarning::NotANumber, token);
    }
    return v;
}

namespace {

// From this many bytes on, a part of a load is sure to fill more than a huge page per pool.
constexpr std::int64_t kBigLoadBytes = std::int64_t{8} << 20;

}  // namespace

void LoadContext::GrowMesh() {
    // Faces added between two checks stay well inside the slack.
    constexpr std::size_t kCheckEvery = 256;
    constexpr std::size_t kFaceSlack = 4096;
    constexpr std::size_t kCornerSlack = 16384;
    constexpr std::size_t kPrismSlack = 256;
    const rm::MeshData& d = mesh.Data();
    const std::int64_t done = std::max<std::int64_t>(file.Position() - m_start, 1);
    const std::int64_t total = m_fileSize - m_start;
    // Extrapolate once enough of the file is read to be typical of it; before that, and
    // never less than this, grow by a steady factor. Each growth before copies the pools
    // into fresh memory, so a big file is extrapolated from its first megabyte or so.
    const bool extrapolate = done >= total / 64 && done >= (std::int64_t{1} << 20);
    const double scale = extrapolate ? static_cast<double>(total) / static_cast<double>(done) : 1.0;
    // A big file's pools start at a huge page each: the steps below it would each be fresh
    // small pages, a fault apiece, a few thousand faults per load for nothing.
    const bool big = total >= kBigLoadBytes;
    const auto hugePageOf = [big](std::size_t elementBytes) -> std::size_t {
        return big ? (rm::kHugePageBytes + elementBytes - 1) / elementBytes : 0;
    };
    // The first estimate from the file is made even where the floor leaves room yet: it is
    // what lets the first part of a split load hold the whole file's mesh when they join.
    const bool firstEstimate = extrapolate && !m_extrapolated;
    m_extrapolated = m_extrapolated || extrapolate;
    const auto extra = [scale, extrapolate, firstEstimate](const auto& pool, std::size_t slack,
                                                           std::size_t floor) -> std::size_t {
        const std::size_t size = pool.size();
        if (!firstEstimate && size + slack <= pool.capacity()) {
            return 0;
        }
        const double estimate = static_cast<double>(size) * scale * 1.04;
        const double least = static_cast<double>(size) * (extrapolate ? 1.125 : 1.5);
        return std::max(static_cast<std::size_t>(std::max(estimate, least)) + slack, floor) - size;
    };
    // Each pool on its own: a polygon's corners are plain ones, a stroke's sixteen positions
    // and eight normals serve its ten faces. The faces' line numbers grow with the faces
    // and are the smaller records, so they set the faces' floor.
    const std::size_t moreFaces =
        extra(d.faces, kFaceSlack, hugePageOf(sizeof(d.faceAppData.front())));
    const std::size_t moreCorners =
        extra(d.plainCorners, kCornerSlack, hugePageOf(sizeof(d.plainCorners.front())));
    const std::size_t morePositions =
        extra(d.positions, kCornerSlack, hugePageOf(sizeof(d.positions.front())));
    const std::size_t moreNormals =
        d.normals.empty() ? 0
                          : extra(d.normals, kCornerSlack, hugePageOf(sizeof(d.normals.front())));
    // A whole file's prisms fit in well under a huge page (the heap's room holds them).
    const std::size_t morePrisms = d.prisms.empty() ? 0 : extra(d.prisms, kPrismSlack, 0);
    if (moreFaces > 0 || moreCorners > 0 || morePositions > 0 || moreNormals > 0 ||
        morePrisms > 0) {
        mesh.Reserve(moreFaces, 0, morePositions, moreNormals, moreCorners, morePrisms);
    }
    m_nextGrowthCheck = d.faces.size() + kCheckEvery;
}

void LoadContext::Fail(std::string text) {
    Fail(std::move(text), line);
}

void LoadContext::Fail(std::string text, std::int64_t atLine) {
    if (!m_failed) {
        m_failed = true;
        m_failure = std::move(text);
        m_failureLine = atLine;
    }
}

void LoadContext::Warn(LoadWarning kind, std::string_view text) const {
    WarnAt(kind, line, text);
}

void LoadContext::WarnAt(LoadWarning kind, std::int64_t atLine, std::string_view text) const {
    if (observer != nullptr) {
        observer->OnWarning(kind, atLine, std::string(text));
    }
}

void LoadContext::WarnNotClosed(BlockLine how, std::int64_t keywordLine,
                                std::string_view keyword) const {
    if (observer == nullptr || m_failed) {
        return;
    }
    std::string text(keyword);
    if (how == BlockLine::Empty) {
        text += " ended by the empty line ";
        observer->OnWarningNamingLine(LoadWarning::BlockNotClosed, keywordLine, text, line);
        return;
    }
    text += " ended by the end of the file";
    WarnAt(LoadWarning::BlockNotClosed, keywordLine, text);
}

}  // namespace doc

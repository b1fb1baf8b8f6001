#include "doc/rest_of_file.h"

#include <new>

#include "doc/keywords.h"
#include "doc/split_line.h"
#include "doc/tarno_doc.h"
#include "doc/tokens.h"
#include "platform/io/text_file.h"

namespace doc {

namespace {

// How far past the middle a point block is looked for.
constexpr std::int64_t kSearchBytes = std::int64_t{1} << 20;
constexpr std::uint32_t kUnassigned = 0xFFFFFFFFU;

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

std::int64_t RestOfFile::FindStart(const std::string& path, std::int64_t fileSize) {
    rm::TextFile file;
    if (!file.OpenRegular(path) || !file.SeekTo(fileSize / 2)) {
        return -1;
    }
    std::string_view line;
    if (file.ReadLine(line) != rm::ReadStatus::Line) {  // the rest of a line
        return -1;
    }
    while (file.Position() < fileSize / 2 + kSearchBytes &&
           file.ReadLine(line) == rm::ReadStatus::Line) {
        if (OpensPointBlock(line)) {
            return file.LineStart();
        }
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
        for (const Warnings::Warning& w : m_warnings.list) {
            if (w.textLine != 0) {
                ctx.observer->OnWarningNamingLine(w.kind, linesBefore + w.line, w.text,
                                                  linesBefore + w.textLine);
            } else {
                ctx.observer->OnWarning(w.kind, linesBefore + w.line, w.text);
            }
        }
    }
    return true;
}

}  // namespace doc

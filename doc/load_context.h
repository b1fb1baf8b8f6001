#pragma once
// The state of one load that the line loop and the block readers share: the open file,
// the line count, the mesh being filled, what the load made so far, and the optional
// observer. Every warning goes through an `if (observer)` so a load without one builds no
// text and keeps no extra tables.

#include <atomic>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "doc/load_observer.h"
#include "doc/load_tables.h"
#include "doc/split_line.h"
#include "doc/tarno_doc.h"
#include "doc/tokens.h"
#include "platform/io/text_file.h"
#include "platform/rm/mesh_builder.h"

namespace doc {

// Each DRAW block strokes its whole path again, so a few thousand DRAW lines on a long path
// ask for tens of millions of strokes (gigabytes). Past this many in one load no further
// stroke is laid, and the observer hears of it once.
inline constexpr std::uint32_t kMaxStrokesPerLoad = 500'000;

// Why a load of the rest of a file, begun without the part before it, gave up.
inline constexpr const char* kNeedsEarlierPart = "needs what the part before sets";

class LoadContext {
public:
    // `tables` are the process-wide load tables, already reset for this load.
    LoadContext(rm::TextFile& file, std::int64_t fileSize, LoadTables& tables,
                rm::MeshBuilder& mesh, LoadObserver* observer)
        : file(file), tables(tables), mesh(mesh), observer(observer), m_fileSize(fileSize) {}

    // Reads the next line of the file (a UTF-8 byte-order mark opening the file is left
    // out). False at the end of the file, and on a read error, which fails the load.
    [[nodiscard]] bool ReadRaw(std::string_view& text) {
        // A line of the file after its first, inline; the rest out of line.
        if (m_replay || m_failed) {
            return ReadAgain(text);
        }
        m_lastCount = -1;
        const rm::ReadStatus status = file.ReadLine(text);
        if (status != rm::ReadStatus::Line || file.LineStart() == 0) {
            return AfterRead(status, text);
        }
        ++line;
        m_lastLine = text;
        return true;
    }
    // Back to the line read last, so that the next ReadRaw gives it again (without reading
    // it from the file a second time). Once between two reads.
    [[nodiscard]] bool Rewind();

    // Splits `text`, the line ReadRaw gave last, into `tokens` and returns their count; the
    // split is kept for that line if it is given again after Rewind.
    int SplitRead(std::string_view text);

    enum class [[nodiscard]] BlockLine{Tokens, Empty, End};
    // For a block reader: passes over lines that hold no token and splits the next one into
    // `tokens`. Empty: a line of no characters. End: the end of the file or a read error.
    BlockLine NextBlockLine(int& count);
    // The same, but a fresh line that `takeWhole(text)` reads whole (returning true) is not
    // split, and the next is read.
    template <typename TakeWhole>
    BlockLine NextBlockLine(int& count, TakeWhole&& takeWhole) {
        std::string_view text;
        while (ReadRaw(text)) {
            if (text.empty()) {
                return BlockLine::Empty;
            }
            if (m_lastCount < 0 && takeWhole(text)) {
                continue;
            }
            // A line given again after Rewind keeps the split the line loop made of it.
            count = m_lastCount >= 0 ? m_lastCount : SplitRead(text);
            if (count > 0) {
                return BlockLine::Tokens;
            }
        }
        return BlockLine::End;
    }

    // Call before adding faces: keeps the mesh's pools ahead of the load, so that they grow
    // in a few large steps sized from the part of the file read so far.
    void MakeRoomForFaces() {
        if (mesh.Data().faces.size() >= m_nextGrowthCheck) {
            GrowMesh();
        }
    }

    // Stops the load at the line read last (or at `atLine`); only the first failure counts.
    void Fail(std::string text);
    void Fail(std::string text, std::int64_t atLine);
    [[nodiscard]] bool Failed() const { return m_failed; }
    [[nodiscard]] const std::string& FailureText() const { return m_failure; }
    [[nodiscard]] std::int64_t FailureLine() const { return m_failureLine; }

    // Warnings; the callers test `observer` first.
    void Warn(LoadWarning kind, std::string_view text) const;
    void WarnAt(LoadWarning kind, std::int64_t atLine, std::string_view text) const;
    // A reader's block ended by an empty line or the end of the file.
    void WarnNotClosed(BlockLine how, std::int64_t keywordLine, std::string_view keyword) const;

    // A decimal value; a token that is not a number reads as 0 (and is reported). `token`
    // is one of `tokens`, a view into the file's buffer, which has padding after each line.
    std::int32_t Decimal(std::string_view token) {
        static_assert(rm::TextFile::kLinePadding >= kDecimalPadding);
        std::int32_t v = 0;
        return ReadShortDecimal(token, v) ? v : OtherDecimal(token);
    }
    // Point-table entries written by point blocks since the last clear (observer only).
    void NoteWritten(std::int64_t index) {
        if (observer != nullptr) {
            written.set(static_cast<std::size_t>(index));
        }
    }
    void ForgetWritten() { written.reset(); }
    // Reports an in-table index that names a point no block of this load wrote.
    void CheckWritten(std::int32_t index) const {
        if (observer != nullptr && !written.test(static_cast<std::size_t>(index))) {
            Warn(LoadWarning::UnwrittenPoint, std::to_string(index));
        }
    }

    // The mesh position that holds point-table entry `index` as it is now, added to the
    // mesh on first use; the faces of one point block share their corners' positions.
    // kTableSize > index >= 0. False if the mesh cannot grow.
    [[nodiscard]] bool PositionOf(const TablePoint& point, std::int32_t index,
                                  std::uint32_t& position) {
        SharedPoint& s = m_shared[static_cast<std::size_t>(index)];
        if (s.position == kNoPosition || s.value.x != point.x || s.value.y != point.y ||
            s.value.z != point.z) {
            if (s.position == kNoPosition && tables.Partial()) {
                firstPositions.push_back(
                    {index, static_cast<std::uint32_t>(mesh.Data().positions.size()), point});
            }
            const rm::D3DVECTOR p{static_cast<rm::D3DVALUE>(point.x),
                                  static_cast<rm::D3DVALUE>(point.y),
                                  static_cast<rm::D3DVALUE>(point.z)};
            if (rm::Failed(mesh.AddPosition(p, s.position))) {
                s.position = kNoPosition;
                return false;
            }
            s.value = point;
        }
        position = s.position;
        return true;
    }

    // The position the part before this one left for `index`, if it has the value `point`.
    [[nodiscard]] bool SharedPosition(std::int32_t index, const TablePoint& point,
                                      std::uint32_t& position) const {
        const SharedPoint& s = m_shared[static_cast<std::size_t>(index)];
        if (s.position == kNoPosition || s.value.x != point.x || s.value.y != point.y ||
            s.value.z != point.z) {
            return false;
        }
        position = s.position;
        return true;
    }
    // Where the load starts in the file (0, or the start of the rest read ahead).
    void SetStart(std::int64_t offset) { m_start = offset; }

    rm::TextFile& file;
    LoadTables& tables;
    rm::MeshBuilder& mesh;
    LoadObserver* const observer;
    // The tokens of the line a block reader read last, as views into the file's buffer; they
    // are compared without regard to the case of a to z (see tokens.h). A line with more
    // tokens than the token array's slots gets them all: the array grows for it.
    std::vector<std::string_view> tokens =
        std::vector<std::string_view>(static_cast<std::size_t>(CTarnoDoc::kTokenSlots));
    std::int64_t line = 0;  // 1-based number of the line read last
    // With an observer: the name of the keyword the line loop found on the line it hands
    // to a block reader, so that the reader need not look it up again. Taken by the reader.
    std::string_view keywordName;
    LoadSummary summary;
    bool strokeLimitReported = false;
    std::bitset<kTableSize> written;
    // The corners of the face being added, as mesh positions.
    std::vector<std::uint32_t> corners = std::vector<std::uint32_t>(kTableSize);
    // The line loop stops before the first line that starts at or after this offset, and
    // says whether that line starts there exactly.
    std::int64_t stopAt = INT64_MAX;
    bool reachedStop = false;
    bool stoppedExactly = false;
    // Set from another thread when the load's result is no longer wanted.
    const std::atomic<bool>* cancel = nullptr;
    // With `cancel`: set from another thread when the rest of the file should be read in two
    // parts at once from now on. The line loop then stops before its next line, with
    // `splitAsked`, and forgets this flag.
    const std::atomic<bool>* splitWhen = nullptr;
    bool splitAsked = false;
    // A partial load: the first mesh position made for each point-table index.
    struct FirstPosition {
        std::int32_t index;
        std::uint32_t position;
        TablePoint value;
    };
    std::vector<FirstPosition> firstPositions;

private:
    static constexpr std::uint32_t kNoPosition = 0xFFFFFFFFU;
    struct SharedPoint {
        TablePoint value;
        std::uint32_t position = kNoPosition;
    };

    void GrowMesh();
    // ReadRaw after a failure, or of the line given again after Rewind.
    [[nodiscard]] bool ReadAgain(std::string_view& text);
    // ReadRaw's end for a read that gave no line, or the file's first line.
    [[nodiscard]] bool AfterRead(rm::ReadStatus status, std::string_view& text);
    // Decimal for the tokens the short form leaves.
    [[nodiscard]] std::int32_t OtherDecimal(std::string_view token) const;

    // By point-table index: the value last added to the mesh for it, and where.
    std::vector<SharedPoint> m_shared = std::vector<SharedPoint>(kTableSize);
    std::int64_t m_fileSize = 0;
    std::int64_t m_start = 0;
    std::size_t m_nextGrowthCheck = 0;
    bool m_extrapolated = false;  // the pools were sized from the file once
    std::string_view m_lastLine;  // what ReadRaw gave last
    bool m_replay = false;        // ReadRaw gives m_lastLine again
    int m_lastCount = -1;         // its tokens, when SplitRead split it; -1 when not
    bool m_failed = false;
    std::string m_failure;
    std::int64_t m_failureLine = 0;
};

}  // namespace doc

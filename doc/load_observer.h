#pragma once
// What a careful author wants to know about a file that the loader accepts silently. The
// loader reports to an optional observer while it loads; without one it does no extra work.

#include <cstdint>
#include <string>

namespace doc {

enum class LoadWarning {
    UndrawnCommand,  // a line begins with a command the viewer does not draw
    NotANumber,      // a value read as 0 because it is not a number
    UnwrittenPoint,  // an index names a point no block of this load wrote
    OutOfBounds,     // a value ignored because it lies outside its table
    ShortPolygon,    // a polygon dropped with fewer than 3 vertices
    BlockNotClosed,  // a block ended by an empty line or by the end of the file
    AfterEnd,        // lines follow "ENDA"
    Misspelt,        // a first token a letter or two away from a keyword; text "WORD KEYWORD"
};

class LoadObserver {
public:
    virtual ~LoadObserver() = default;
    // `line` counts from 1. `text` names the token or command concerned.
    virtual void OnWarning(LoadWarning kind, std::int64_t line, const std::string& text) = 0;
    // A warning whose text ends with a line number, `textLine`: `text` is what comes
    // before it. A part of a file read apart numbers its lines from its own start until it
    // is joined, so it keeps that number apart.
    virtual void OnWarningNamingLine(LoadWarning kind, std::int64_t line, const std::string& text,
                                     std::int64_t textLine) {
        OnWarning(kind, line, text + std::to_string(textLine));
    }
    // Around every load the observer watches: before the file is opened, and after the load
    // ended, `loaded` telling whether it succeeded.
    virtual void OnLoadStart(const std::string& /*path*/) {}
    virtual void OnLoadEnd(bool /*loaded*/) {}
};

struct LoadSummary {
    std::uint32_t points = 0;   // point-table entries written by this load
    std::uint32_t faces = 0;    // polygon faces made
    std::uint32_t strokes = 0;  // strokes laid
    std::uint32_t parts = 1;    // parts of the file read at the same time
    bool readAhead = false;     // read while the window started, before the load asked
};

}  // namespace doc

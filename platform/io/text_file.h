#pragma once
// A read-only text file read line by line, as the .api loader needs it: CR LF and LF both
// end a line and are removed, a 0x1A byte ends the file, lines may be of any length and
// the last needs no line end. Positions are byte offsets into the file as stored.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rm {

enum class [[nodiscard]] ReadStatus{Line, End, Error};

class TextFile {
public:
    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Opens for reading only. False (with Error() set) if it cannot be opened.
    [[nodiscard]] bool Open(const std::string& path);
    // The same for regular files only (see regular_file.h): never blocks on a pipe or
    // reads a device. Error() then gives the reason alone, without the path.
    [[nodiscard]] bool OpenRegular(const std::string& path);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }

    // Reads the next line into `line` without its line end.
    ReadStatus ReadString(std::string& line);
    // The same without copying: `line` stays valid until the next read or seek. In memory
    // it is followed by at least kLinePadding readable bytes of no meaning, so that a
    // scanner may read a whole block past its end.
    ReadStatus ReadLine(std::string_view& line);
    static constexpr std::size_t kLinePadding = 64;
    // The bytes read at a time: a big file in few system calls (a 50 MB file in 200), and
    // little fresh memory (the program's heap puts the buffer on a huge page it shares). A
    // longer line grows the buffer.
    static constexpr std::size_t kBufferSize = (std::size_t{256} << 10) - kLinePadding;

    // Reads on from the current position to `offset`, the start of a line, counting the
    // lines passed: what as many ReadLine calls would give, without making each a view.
    // The position is then `offset`. False (nothing counted, the position anywhere up to
    // `offset`) if the text ends first, if `offset` is behind the position or does not
    // follow a line end, or on a read error.
    [[nodiscard]] bool CountLinesTo(std::int64_t offset, std::int64_t& lines);

    // Offset of the first byte of the line returned last.
    [[nodiscard]] std::int64_t LineStart() const { return m_lineStart; }
    // Offset of the next byte to read.
    [[nodiscard]] std::int64_t Position() const { return m_position; }
    // Moves by `offset` bytes from the current position. False (with Error() set) for a
    // position before the start of the file or an error of the system.
    [[nodiscard]] bool SeekRelative(std::int64_t offset);
    [[nodiscard]] bool SeekTo(std::int64_t position);

    // Text of the last error (open, read or seek).
    [[nodiscard]] const std::string& Error() const { return m_error; }

private:
    // Resets the buffer to start at m_position (a seek outside the buffered bytes).
    [[nodiscard]] bool Restart();
    // Appends more of the file after the buffered bytes, keeping bytes from `keep` on
    // (they move to the front). False with m_error set on a read error.
    [[nodiscard]] bool Refill(std::size_t keep);

    int m_fd = -1;
    std::vector<char> m_buffer;      // bytes [m_bufferStart, m_bufferStart + m_bufferSize)
    std::int64_t m_bufferStart = 0;  // file offset of m_buffer[0]
    std::size_t m_bufferSize = 0;
    std::int64_t m_position = 0;  // file offset of the next byte to read
    std::int64_t m_lineStart = 0;
    bool m_drained = false;         // the buffered bytes are all there is (end of file or 0x1A)
    std::int64_t m_endOfText = -1;  // offset of the first 0x1A, once one was met
    std::string m_error;
};

}  // namespace rm

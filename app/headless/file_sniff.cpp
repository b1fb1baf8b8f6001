#include "app/headless/file_sniff.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/io/byte_count.h"
#include "platform/io/regular_file.h"

namespace app {

namespace {

struct Mark {
    std::string_view bytes;
    const char* name;
};

// Longest first: a UTF-32 LE mark begins with the UTF-16 LE one.
constexpr std::array<Mark, 4> kMarks = {{
    {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32 (little-endian)"},
    {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32 (big-endian)"},
    {std::string_view("\xFF\xFE", 2), "UTF-16 (little-endian)"},
    {std::string_view("\xFE\xFF", 2), "UTF-16 (big-endian)"},
}};

}  // namespace

std::vector<FileProblem> SniffTextFile(const std::string& path) {
    std::vector<FileProblem> problems;
    std::string why;
    const int fd = rm::OpenRegularFile(path, why);
    if (fd < 0) return problems;

    std::string head;           // the first bytes, for the byte-order mark
    std::int64_t firstNul = 0;  // line of the first NUL byte, 0 for none
    std::int64_t lineFeeds = 0;
    // Without a line feed every CR stands alone, so whether one is there is all it takes.
    bool anyReturn = false;
    bool ended = false;
    std::array<char, 1 << 16> buffer{};
    // Whole blocks at a time (memchr and a counter of 16 bytes at a time): a big file is read here
    // once more before it is loaded, and a loop over single bytes took as long as a fifth of the
    // load.
    while (!ended) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got <= 0) break;
        const char* const base = buffer.data();
        auto size = static_cast<std::size_t>(got);
        std::size_t headBytes = size;
        if (const void* stop = std::memchr(base, '\x1A', size)) {
            size = static_cast<std::size_t>(static_cast<const char*>(stop) - base);
            headBytes = size + 1;  // the 0x1A itself is among the first bytes
            ended = true;
        }
        head.append(base, std::min(headBytes, 4 - head.size()));
        if (firstNul == 0) {
            if (const void* nul = std::memchr(base, '\0', size)) {
                firstNul =
                    1 + lineFeeds +
                    static_cast<std::int64_t>(rm::CountByte(
                        std::string_view(
                            base, static_cast<std::size_t>(static_cast<const char*>(nul) - base)),
                        '\n'));
            }
        }
        lineFeeds += static_cast<std::int64_t>(rm::CountByte(std::string_view(base, size), '\n'));
        anyReturn = anyReturn || std::memchr(base, '\r', size) != nullptr;
    }
    ::close(fd);

    bool marked = false;
    for (const Mark& mark : kMarks) {
        if (std::string_view(head).starts_with(mark.bytes)) {
            problems.push_back({1, std::string("the file is ") + mark.name +
                                       " text (it opens with that byte-order mark); save it "
                                       "as plain text (ASCII or UTF-8)"});
            marked = true;
            break;
        }
    }
    if (firstNul != 0 && !marked) {
        problems.push_back({firstNul,
                            "binary content: the file holds NUL bytes (the first on "
                            "this line); it is not a text file"});
    }
    if (lineFeeds == 0 && anyReturn) {
        problems.push_back({1,
                            "line ends of CR alone (old Mac style): the whole file reads as "
                            "one line; save it with CR LF or LF line ends"});
    }
    return problems;
}

}  // namespace app

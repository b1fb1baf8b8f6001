#pragma once
// Whether a path names something the viewer may read as a file. Only regular files are
// read: a named pipe can block an open or a read for ever, and a device such as /dev/zero
// never ends. The check never blocks and never reads.

#include <string>

namespace rm {

// "" when `path` names a regular file (links followed) that can be opened for reading;
// otherwise one short line for the user, without the path, such as
// "a folder, not a file" or "No such file or directory".
[[nodiscard]] std::string RegularFileProblem(const std::string& path);

// The same for an open descriptor: "" for a regular file.
[[nodiscard]] std::string RegularFileProblem(int fd);

// Opens `path` read-only without blocking on a pipe or a device, and keeps the descriptor
// only if it is a regular file. Returns the descriptor, or -1 with `problem` set.
[[nodiscard]] int OpenRegularFile(const std::string& path, std::string& problem);

}  // namespace rm

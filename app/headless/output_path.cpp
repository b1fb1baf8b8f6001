#include "app/headless/output_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace app {

bool SameFile(const std::string& input, const std::string& output) {
    std::error_code ec;
    if (std::filesystem::equivalent(input, output, ec) && !ec) return true;
    // Without both files there is no inode to compare; compare where the names lead.
    const auto a = std::filesystem::weakly_canonical(input, ec);
    if (ec) return false;
    const auto b = std::filesystem::weakly_canonical(output, ec);
    return !ec && a == b;
}

std::string MaterialPathFor(const std::string& objPath) {
    const std::filesystem::path path(objPath);
    std::string ext = path.extension().string();
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (ext == ".obj") {
        return objPath.substr(0, objPath.size() - ext.size()) + ".mtl";
    }
    return objPath + ".mtl";
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) {
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
    }
    if (!file) {
        const int savedErrno = errno;
        error = "tarno: cannot write " + path +
                (savedErrno != 0 ? ": " + std::string(std::strerror(savedErrno)) : std::string());
        std::error_code ec;
        if (!std::filesystem::is_directory(path, ec)) std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

}  // namespace app

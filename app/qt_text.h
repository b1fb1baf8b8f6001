#pragma once
// The resource tables hold UTF-8; Qt wants QString.

#include <QString>
#include <string_view>

namespace app {

[[nodiscard]] inline QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace app

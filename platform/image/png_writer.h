#pragma once
// Writes pictures as PNG files without any display or GUI library.

#include <string>

#include "platform/image/picture.h"

namespace rm {

// Writes an opaque 8-bit RGB PNG. Returns false and fills `error` when the file cannot be
// written (the partial file is removed).
[[nodiscard]] bool WritePng(const std::string& path, const PictureView& picture,
                            std::string* error = nullptr);
[[nodiscard]] bool WritePng(const std::string& path, const Picture& picture,
                            std::string* error = nullptr);
// The same PNG into `bytes` (for writing to standard output). False with `error` set when
// the picture is empty or memory runs out.
[[nodiscard]] bool EncodePng(const Picture& picture, std::string& bytes,
                             std::string* error = nullptr);
// Reads a PNG written by WritePng (or any 8-bit RGB/RGBA PNG); for tests and tools.
[[nodiscard]] bool ReadPng(const std::string& path, Picture& out, std::string* error = nullptr);

}  // namespace rm

#include "platform/image/png_writer.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace rm {

namespace {

struct PngErrorState {
    char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp msg) {
    auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
    if (state != nullptr) {
        std::snprintf(state->message, sizeof state->message, "%s", msg != nullptr ? msg : "");
    }
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp /*png*/, png_const_charp /*msg*/) {}

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

// Writes rows through libpng. Kept free of objects with destructors between setjmp and any
// libpng call, as longjmp requires; `row` is sized by the caller.
bool WriteRows(std::FILE* file, const PictureView& picture, png_bytep row, PngErrorState& state) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    if (png == nullptr) {
        std::snprintf(state.message, sizeof state.message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(state.message, sizeof state.message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Each row filtered against the one above, where trying all five filters on every row
    // cost most of the time. zlib at level 3, its fastest kind of search with the longest
    // chains: the file is a quarter larger than at level 4 (a few kilobytes for a window's
    // picture) and written in 40% less time, the last step before a render's picture is
    // there.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    const std::size_t width = static_cast<std::size_t>(picture.width);
    for (int y = 0; y < picture.height; ++y) {
        const D3DCOLOR* src = picture.pixels + static_cast<std::size_t>(y) * width;
        for (std::size_t x = 0; x < width; ++x) {
            row[x * 3 + 0] = RedOf(src[x]);
            row[x * 3 + 1] = GreenOf(src[x]);
            row[x * 3 + 2] = BlueOf(src[x]);
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const PictureView& picture, std::string* error) {
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels == nullptr) {
        SetError(error, "cannot write an empty picture to " + path);
        return false;
    }
    std::vector<png_byte> row;
    try {
        row.resize(static_cast<std::size_t>(picture.width) * 3);
    } catch (const std::bad_alloc&) {
        SetError(error, "out of memory writing " + path);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        SetError(error, "cannot create " + path + ": " + std::strerror(errno));
        return false;
    }
    // Only a regular file is removed after a failure (never a device such as /dev/full).
    struct stat st {};
    const bool regular = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
    PngErrorState state;
    bool ok = WriteRows(file, picture, row.data(), state);
    std::string reason = state.message;
    if (ok && std::fflush(file) != 0) {
        ok = false;
        reason = std::strerror(errno);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        reason = std::strerror(errno);
    }
    if (!ok) {
        if (regular) {
            std::remove(path.c_str());
        }
        SetError(error, "cannot write " + path + ": " + (reason.empty() ? "error" : reason));
    }
    return ok;
}

bool WritePng(const std::string& path, const Picture& picture, std::string* error) {
    if (picture.Empty() || picture.pixels.size() < static_cast<std::size_t>(picture.width) *
                                                       static_cast<std::size_t>(picture.height)) {
        SetError(error, "cannot write an empty or short picture to " + path);
        return false;
    }
    return WritePng(path, PictureView{picture.width, picture.height, picture.pixels.data()}, error);
}

bool EncodePng(const Picture& picture, std::string& bytes, std::string* error) {
    bytes.clear();
    if (picture.Empty() || picture.pixels.size() < static_cast<std::size_t>(picture.width) *
                                                       static_cast<std::size_t>(picture.height)) {
        SetError(error, "cannot encode an empty or short picture");
        return false;
    }
    std::vector<png_byte> row;
    try {
        row.resize(static_cast<std::size_t>(picture.width) * 3);
    } catch (const std::bad_alloc&) {
        SetError(error, "out of memory");
        return false;
    }
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&data, &size);
    if (memory == nullptr) {
        SetError(error, std::strerror(errno));
        return false;
    }
    PngErrorState state;
    bool ok = WriteRows(memory, PictureView{picture.width, picture.height, picture.pixels.data()},
                        row.data(), state);
    if (std::fclose(memory) != 0) {
        ok = false;
    }
    if (ok) {
        try {
            bytes.assign(data, size);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    std::free(data);
    if (!ok) {
        SetError(error, state.message[0] != '\0' ? state.message : "out of memory");
    }
    return ok;
}

bool ReadPng(const std::string& path, Picture& out, std::string* error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        SetError(error, "cannot read " + path + ": " + image.message);
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> buffer;
    try {
        buffer.resize(PNG_IMAGE_SIZE(image));
    } catch (const std::bad_alloc&) {
        png_image_free(&image);
        SetError(error, "out of memory reading " + path);
        return false;
    }
    if (png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr) == 0) {
        SetError(error, "cannot read " + path + ": " + image.message);
        png_image_free(&image);
        return false;
    }
    Picture p;
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    p.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        const png_byte* s = &buffer[i * 4];
        p.pixels[i] = MakeColor(s[0], s[1], s[2], s[3]);
    }
    out = std::move(p);
    return true;
}

}  // namespace rm

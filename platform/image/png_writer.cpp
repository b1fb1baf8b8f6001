#include "platform/image/png_writer.h"

#include <png.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace rm {

namespace {

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

bool Usable(const PictureView& picture) {
    return picture.width > 0 && picture.height > 0 && picture.pixels != nullptr;
}

bool Usable(const Picture& picture) {
    return !picture.Empty() &&
           picture.pixels.size() >=
               static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
}

// zlib at level 3, its fastest kind of search with the longest chains: the file is a
// quarter larger than at level 4 (a few kilobytes for a window's picture) and written in
// 40% less time, the last step before a render's picture is there.
constexpr int kLevel = 3;
// Rows are deflated in parts at once, each part on its own thread and with its own
// history; below this many rows a part is not worth a thread.
constexpr int kRowsPerPart = 128;
constexpr unsigned kMostParts = 8;
// Image data is written in chunks of at most this many bytes.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
constexpr unsigned char kFilterUp = 2;

void PutWord(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v >> 24));
    out.push_back(static_cast<char>(v >> 16));
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

void PutChunk(std::string& out, const char* type, const char* data, std::size_t size) {
    PutWord(out, static_cast<std::uint32_t>(size));
    const std::size_t typeAt = out.size();
    out.append(type, 4);
    out.append(data, size);
    const uLong crc = crc32_z(0, reinterpret_cast<const Bytef*>(out.data() + typeAt), size + 4);
    PutWord(out, static_cast<std::uint32_t>(crc));
}

// Rows [first, last) of the picture, each filtered against the one above ("Up"), deflated
// as one piece of a longer stream: raw deflate data that ends on a byte boundary, with the
// stream's last block only when `final`.
struct Part {
    int first = 0;
    int last = 0;
    bool final = false;
    std::string deflated;
    uLong adler = 1;  // of the filtered rows
    std::size_t rawBytes = 0;
    bool ok = false;
};

void DeflateRows(const PictureView& picture, Part& part) noexcept {
    try {
        const auto width = static_cast<std::size_t>(picture.width);
        const std::size_t rowBytes = 1 + 3 * width;
        part.rawBytes = rowBytes * static_cast<std::size_t>(part.last - part.first);
        z_stream z{};
        if (deflateInit2(&z, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_FILTERED) != Z_OK) {
            return;
        }
        // Room for the worst case, never written beyond what the stream needs.
        const std::size_t room = deflateBound(&z, part.rawBytes) + 64;
        const auto out = std::make_unique_for_overwrite<unsigned char[]>(room);
        std::vector<unsigned char> row(rowBytes);
        z.next_out = out.get();
        z.avail_out = static_cast<uInt>(std::min<std::size_t>(room, UINT32_MAX));
        bool ok = true;
        for (int y = part.first; y < part.last && ok; ++y) {
            const D3DCOLOR* here = picture.pixels + static_cast<std::size_t>(y) * width;
            const D3DCOLOR* above = y > 0 ? here - width : nullptr;
            row[0] = kFilterUp;
            for (std::size_t x = 0; x < width; ++x) {
                const D3DCOLOR c = here[x];
                const D3DCOLOR a = above != nullptr ? above[x] : 0;
                row[1 + 3 * x] = static_cast<unsigned char>(RedOf(c) - RedOf(a));
                row[2 + 3 * x] = static_cast<unsigned char>(GreenOf(c) - GreenOf(a));
                row[3 + 3 * x] = static_cast<unsigned char>(BlueOf(c) - BlueOf(a));
            }
            part.adler = adler32_z(part.adler, row.data(), rowBytes);
            z.next_in = row.data();
            z.avail_in = static_cast<uInt>(rowBytes);
            const bool lastRow = y + 1 == part.last;
            const int flush = !lastRow ? Z_NO_FLUSH : part.final ? Z_FINISH : Z_SYNC_FLUSH;
            const int status = deflate(&z, flush);
            // The room holds the whole stream, so every row goes in at one call.
            ok = z.avail_in == 0 && (status == Z_OK || status == Z_STREAM_END) &&
                 (!lastRow || !part.final || status == Z_STREAM_END) && z.avail_out > 0;
        }
        if (ok) {
            part.deflated.assign(reinterpret_cast<const char*>(out.get()),
                                 static_cast<std::size_t>(z.next_out - out.get()));
        }
        deflateEnd(&z);
        part.ok = ok;
    } catch (const std::bad_alloc&) {
        part.ok = false;
    }
}

// The whole PNG of an opaque 8-bit RGB picture into `bytes`. False when memory runs out.
bool Encode(const PictureView& picture, std::string& bytes) {
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const auto count = static_cast<unsigned>(std::clamp<int>(
        picture.height / kRowsPerPart, 1, static_cast<int>(std::min(cores, kMostParts))));
    std::vector<Part> parts(count);
    for (unsigned i = 0; i < count; ++i) {
        parts[i].first = static_cast<int>(static_cast<long long>(picture.height) * i / count);
        parts[i].last = static_cast<int>(static_cast<long long>(picture.height) * (i + 1) / count);
        parts[i].final = i + 1 == count;
    }
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < count; ++i) {
        try {
            helpers.emplace_back(DeflateRows, std::cref(picture), std::ref(parts[i]));
        } catch (const std::system_error&) {
            DeflateRows(picture, parts[i]);  // no thread to be had: here, in turn
        }
    }
    DeflateRows(picture, parts[0]);
    for (std::thread& t : helpers) {
        t.join();
    }
    // One zlib stream: its header, the parts one after another, the check of all rows.
    std::string stream = "\x78\x5E";
    uLong adler = 1;
    for (const Part& part : parts) {
        if (!part.ok) {
            return false;
        }
        stream += part.deflated;
        adler = adler32_combine(adler, part.adler, static_cast<z_off_t>(part.rawBytes));
    }
    PutWord(stream, static_cast<std::uint32_t>(adler));

    bytes.clear();
    bytes.append("\x89PNG\r\n\x1A\n", 8);
    std::string header;
    PutWord(header, static_cast<std::uint32_t>(picture.width));
    PutWord(header, static_cast<std::uint32_t>(picture.height));
    // 8 bits a channel, RGB, deflate, adaptive filtering, not interlaced.
    header.append("\x08\x02\x00\x00\x00", 5);
    PutChunk(bytes, "IHDR", header.data(), header.size());
    for (std::size_t at = 0; at < stream.size(); at += kChunkBytes) {
        PutChunk(bytes, "IDAT", stream.data() + at, std::min(kChunkBytes, stream.size() - at));
    }
    PutChunk(bytes, "IEND", nullptr, 0);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const PictureView& picture, std::string* error) {
    if (!Usable(picture)) {
        SetError(error, "cannot write an empty picture to " + path);
        return false;
    }
    std::string bytes;
    bool encoded = false;
    try {
        encoded = Encode(picture, bytes);
    } catch (const std::bad_alloc&) {
        encoded = false;
    }
    if (!encoded) {
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
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::string reason = ok ? "" : std::strerror(errno);
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
    if (!Usable(picture)) {
        SetError(error, "cannot write an empty or short picture to " + path);
        return false;
    }
    return WritePng(path, PictureView{picture.width, picture.height, picture.pixels.data()}, error);
}

bool EncodePng(const Picture& picture, std::string& bytes, std::string* error) {
    bytes.clear();
    if (!Usable(picture)) {
        SetError(error, "cannot encode an empty or short picture");
        return false;
    }
    bool encoded = false;
    try {
        encoded = Encode(PictureView{picture.width, picture.height, picture.pixels.data()}, bytes);
    } catch (const std::bad_alloc&) {
        encoded = false;
    }
    if (!encoded) {
        bytes.clear();
        SetError(error, "out of memory");
    }
    return encoded;
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

#include "tools/compose/bmp_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#ifdef _WIN32
#include <process.h>
#define DUOSCOPE_GETPID _getpid
#else
#include <unistd.h>
#define DUOSCOPE_GETPID getpid
#endif

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kBiRgb = 0;
// Pixels per metre written into new files (72 dpi).
constexpr int32_t kPelsPerMetre = 2835;
// No BMP this tool handles is larger; stops a stray huge file being slurped.
constexpr uint64_t kMaxFileBytes = uint64_t{1} << 31;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

std::string ErrnoText() { return std::strerror(errno); }

}  // namespace

int64_t Bmp24RowBytes(int64_t width) {
    if (width <= 0 || width > (std::numeric_limits<int32_t>::max() - 3) / 3) return 0;
    return (3 * width + 3) / 4 * 4;
}

bool ParseBmp24(std::vector<uint8_t> bytes, Bmp24Image* image, std::string* error) {
    const uint64_t size = bytes.size();
    const uint8_t* p = bytes.data();
    if (size < 2 || p[0] != 'B' || p[1] != 'M') return Fail(error, "not a BMP file (no \"BM\" signature)");
    if (size < kFileHeaderBytes + 4) return Fail(error, "truncated BMP: file header incomplete");

    const uint32_t offBits = Get32(p + 10);
    const uint32_t infoSize = Get32(p + 14);
    if (infoSize < kInfoHeaderBytes)
        return Fail(error, "unsupported BMP info header of " + std::to_string(infoSize) +
                               " bytes (need at least 40)");
    if (kFileHeaderBytes + uint64_t{infoSize} > size) return Fail(error, "truncated BMP: info header incomplete");

    const int32_t width = static_cast<int32_t>(Get32(p + 18));
    const int32_t storedHeight = static_cast<int32_t>(Get32(p + 22));
    const uint16_t planes = Get16(p + 26);
    const uint16_t bitCount = Get16(p + 28);
    const uint32_t compression = Get32(p + 30);

    if (planes != 1) return Fail(error, "unsupported BMP: " + std::to_string(planes) + " planes (need 1)");
    if (bitCount != 24)
        return Fail(error, "unsupported BMP: " + std::to_string(bitCount) + " bits per pixel (need 24)");
    if (compression != kBiRgb)
        return Fail(error, "unsupported BMP: compression type " + std::to_string(compression) +
                               " (need uncompressed)");
    if (width <= 0) return Fail(error, "bad BMP: width " + std::to_string(width));
    if (storedHeight == 0 || storedHeight == std::numeric_limits<int32_t>::min())
        return Fail(error, "bad BMP: height " + std::to_string(storedHeight));

    const int64_t rowBytes = Bmp24RowBytes(width);
    if (rowBytes == 0) return Fail(error, "bad BMP: width " + std::to_string(width) + " too large");
    const bool topDown = storedHeight < 0;
    const int64_t height = topDown ? -int64_t{storedHeight} : int64_t{storedHeight};
    const uint64_t imageBytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);

    if (offBits < kFileHeaderBytes + uint64_t{infoSize})
        return Fail(error, "bad BMP: pixel data offset " + std::to_string(offBits) + " lies inside the headers");
    if (offBits > size) return Fail(error, "bad BMP: pixel data offset " + std::to_string(offBits) +
                                               " is past the end of the file");
    if (imageBytes > size - offBits)
        return Fail(error, "truncated BMP: pixel data needs " + std::to_string(imageBytes) + " bytes, file has " +
                               std::to_string(size - offBits) + " after the offset");

    image->width = width;
    image->height = static_cast<int32_t>(height);
    if (topDown) {
        // Last stored row is the bottom of the picture: start there and walk back.
        image->row0Offset = offBits + static_cast<size_t>((height - 1) * rowBytes);
        image->stride = -static_cast<ptrdiff_t>(rowBytes);
    } else {
        image->row0Offset = offBits;
        image->stride = static_cast<ptrdiff_t>(rowBytes);
    }
    image->bytes = std::move(bytes);
    return true;
}

bool ReadBmp24File(const std::string& path, Bmp24Image* image, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return Fail(error, "cannot open " + path + ": " + ErrnoText());
    std::vector<uint8_t> bytes;
    constexpr size_t kChunk = size_t{1} << 20;
    size_t used = 0;
    bool ok = true;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() >= kMaxFileBytes) {
                ok = Fail(error, path + " is too large for a BMP this tool reads");
                break;
            }
            bytes.resize(bytes.empty() ? kChunk : bytes.size() * 2);
        }
        const size_t wanted = bytes.size() - used;
        const size_t got = std::fread(bytes.data() + used, 1, wanted, f);
        used += got;
        if (got < wanted) {  // end of file or an error
            if (std::ferror(f)) ok = Fail(error, "cannot read " + path + ": " + ErrnoText());
            break;
        }
    }
    std::fclose(f);
    if (!ok) return false;
    bytes.resize(used);
    if (!ParseBmp24(std::move(bytes), image, error)) {
        if (error) *error = path + ": " + *error;
        return false;
    }
    return true;
}

bool EncodeBmp24(const uint8_t* rows, ptrdiff_t stride, int32_t width, int32_t height,
                 std::vector<uint8_t>* file, std::string* error) {
    if (width <= 0 || height <= 0) return Fail(error, "cannot write an empty BMP");
    const int64_t rowBytes = Bmp24RowBytes(width);
    const uint64_t headerBytes = kFileHeaderBytes + kInfoHeaderBytes;
    const uint64_t imageBytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
    if (rowBytes == 0 || imageBytes > std::numeric_limits<uint32_t>::max() - headerBytes ||
        headerBytes + imageBytes > std::numeric_limits<size_t>::max())
        return Fail(error, "picture too large for a BMP file");

    file->assign(static_cast<size_t>(headerBytes + imageBytes), 0);
    uint8_t* h = file->data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, static_cast<uint32_t>(headerBytes + imageBytes));
    Put32(h + 10, static_cast<uint32_t>(headerBytes));
    Put32(h + 14, kInfoHeaderBytes);
    Put32(h + 18, static_cast<uint32_t>(width));
    Put32(h + 22, static_cast<uint32_t>(height));
    Put16(h + 26, 1);
    Put16(h + 28, 24);
    Put32(h + 30, kBiRgb);
    Put32(h + 34, static_cast<uint32_t>(imageBytes));
    Put32(h + 38, kPelsPerMetre);
    Put32(h + 42, kPelsPerMetre);

    uint8_t* out = h + headerBytes;
    const size_t pixelBytes = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(out, rows + y * stride, pixelBytes);  // padding stays zero
        out += rowBytes;
    }
    return true;
}

bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    // Beside the target so the rename stays on one file system.
    const std::string temp = path + "." + std::to_string(DUOSCOPE_GETPID()) + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return Fail(error, "cannot create " + temp + ": " + ErrnoText());
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::string why = ok ? std::string() : ErrnoText();
    if (std::fflush(f) != 0 && ok) {
        ok = false;
        why = ErrnoText();
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        why = ErrnoText();
    }
    if (!ok) {
        std::remove(temp.c_str());
        return Fail(error, "cannot write " + temp + ": " + why);
    }
#ifdef _WIN32
    // rename does not replace an existing file here.
    std::remove(path.c_str());
#endif
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        why = ErrnoText();
        std::remove(temp.c_str());
        return Fail(error, "cannot rename " + temp + " to " + path + ": " + why);
    }
    return true;
}

bool WriteBmp24File(const std::string& path, const uint8_t* rows, ptrdiff_t stride, int32_t width,
                    int32_t height, std::string* error) {
    std::vector<uint8_t> file;
    return EncodeBmp24(rows, stride, width, height, &file, error) && WriteFileReplacing(path, file, error);
}

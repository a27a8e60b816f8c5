// Reading and writing 24-bit uncompressed BMP files for duoscope-compose.
//
// A decoded picture is presented bottom-up, the way the effect filter sees
// an RGB24 frame: memory row 0 is the bottom row of the picture. A top-down
// file is not copied; its rows are walked with a negative stride.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Bmp24Image {
    int32_t width = 0;   // pixels, > 0
    int32_t height = 0;  // rows, > 0
    ptrdiff_t stride = 0;  // signed byte distance from one memory row to the next
    size_t row0Offset = 0;  // offset into bytes of memory row 0 (the bottom row)
    std::vector<uint8_t> bytes;  // the whole file

    const uint8_t* Row0() const { return bytes.data() + row0Offset; }
};

// Bytes in one stored row of a 24-bit BMP: 3 * width rounded up to 4.
// 0 when the width is not positive or the row would not fit in 31 bits.
int64_t Bmp24RowBytes(int64_t width);

// Parses a whole BMP file held in memory; takes the bytes over. On failure
// returns false and sets *error to a message naming the problem.
bool ParseBmp24(std::vector<uint8_t> bytes, Bmp24Image* image, std::string* error);

// Reads and parses a BMP file.
bool ReadBmp24File(const std::string& path, Bmp24Image* image, std::string* error);

// Encodes width x height pixels as a bottom-up 24-bit BMP with a 40-byte
// info header. rows points at the bottom row; stride is the signed distance
// between rows in memory (at least 3 * width bytes of each row are read).
// Returns false (and sets *error) when the picture is empty or too large.
bool EncodeBmp24(const uint8_t* rows, ptrdiff_t stride, int32_t width, int32_t height,
                 std::vector<uint8_t>* file, std::string* error);

// Writes bytes to path through a temporary file beside it, renamed over the
// target only once everything is written: a failure leaves no partial file.
bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// EncodeBmp24 followed by WriteFileReplacing.
bool WriteBmp24File(const std::string& path, const uint8_t* rows, ptrdiff_t stride, int32_t width,
                    int32_t height, std::string* error);

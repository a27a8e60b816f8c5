#include "tools/compose/compose_cli.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "composition/compose.h"
#include "composition/stereo_formats.h"
#include "tools/compose/bmp_io.h"

namespace {

constexpr const char* kProgram = "duoscope-compose";

// One output frame may not exceed this; larger requests are mistakes.
constexpr uint64_t kMaxOutputFrameBytes = uint64_t{1} << 30;
// The compositors do their row arithmetic (percent x rows, 3 x width) in
// 32 bits; this bound keeps it in range.
constexpr int64_t kMaxDimension = int64_t{1} << 24;

const char kUsage[] =
    "usage:\n"
    "  duoscope-compose --pixel-format rgb24|yuy2 --width W --height H --layout L --mode M\n"
    "                   [--swap] [--fill BYTE] [--frames N]\n"
    "  duoscope-compose --layout L --mode M [--swap] in.bmp out.bmp\n"
    "\n"
    "Raw mode reads N (default 1) frames from stdin: W x |H| pixels, rows of 3W (rgb24)\n"
    "or 2W (yuy2) bytes, memory row 0 first, no padding; H as stored (negative for a\n"
    "top-down RGB frame, which composes nothing). For each frame it writes the whole\n"
    "2W x |H| output buffer to stdout. The buffer is set to the fill byte (default 0)\n"
    "once; bytes outside a frame's composed area keep what earlier frames left.\n"
    "\n"
    "BMP mode reads a 24-bit uncompressed BMP and writes the composed area as a\n"
    "bottom-up 24-bit BMP.\n"
    "\n"
    "  --layout L   source layout: 0 side by side, 1 over/under, 2 over/under half,\n"
    "               3 over/under 47.5%, 4 interlaced, 5 side by side half\n"
    "  --mode M     display mode 0-13 (8 and 9 compose no frame)\n"
    "  --swap       exchange the left and right views\n"
    "\n"
    "exit status: 0 success, 2 bad arguments, bad or short input or write failure,\n"
    "3 the display mode composes no frame\n";

struct IntValue {
    bool given = false;
    int64_t value = 0;
};

struct Options {
    bool help = false;
    bool swap = false;
    bool formatGiven = false;
    PixelFormatCode format = PixelFormatCode::Unknown;
    IntValue width, height, layout, mode, fill, frames;
    std::vector<std::string> rawOnlyGiven;  // raw-mode options present, for BMP-mode errors
    std::vector<std::string> files;
};

// Decimal or 0x-prefixed hexadecimal, optional sign, nothing else; bounded
// well inside int64 so later arithmetic cannot overflow.
bool ParseInteger(const std::string& text, int64_t* value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    constexpr int64_t kLimit = int64_t{1} << 53;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        v = v * base + digit;
        if (v > kLimit) return false;
    }
    *value = negative ? -v : v;
    return true;
}

bool EqualsIgnoreCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

class Cli {
public:
    Cli(FILE* in, FILE* out, FILE* err) : in_(in), out_(out), err_(err) {}

    int Run(int argc, char** argv) {
        Options o;
        if (!Parse(argc, argv, &o)) return kComposeExitError;
        if (o.help) {
            std::fputs(kUsage, out_);
            return std::fflush(out_) == 0 ? kComposeExitOk : kComposeExitError;
        }
        const bool bmp = !o.files.empty();
        if (!CheckCommon(o) || !(bmp ? CheckBmp(o) : CheckRaw(o))) return kComposeExitError;
        const int32_t mode = static_cast<int32_t>(o.mode.value);
        if (!HasCompositor(mode)) {
            std::fprintf(err_, "%s: display mode %d composes no frame; nothing written\n", kProgram, mode);
            return kComposeExitNoCompositor;
        }
        try {
            return bmp ? RunBmp(o) : RunRaw(o);
        } catch (const std::bad_alloc&) {
            return Error("out of memory");
        }
    }

private:
    int Error(const std::string& message) {
        std::fprintf(err_, "%s: %s\n", kProgram, message.c_str());
        return kComposeExitError;
    }
    bool UsageError(const std::string& message) {
        std::fprintf(err_, "%s: %s\nTry '%s --help'.\n", kProgram, message.c_str(), kProgram);
        return false;
    }

    bool Parse(int argc, char** argv, Options* o) {
        struct IntOption {
            const char* name;
            IntValue* target;
            bool rawOnly;
        };
        const IntOption intOptions[] = {
            {"--width", &o->width, true},   {"--height", &o->height, true}, {"--layout", &o->layout, false},
            {"--mode", &o->mode, false},    {"--fill", &o->fill, true},     {"--frames", &o->frames, true},
        };
        // --help wins over anything else on the line.
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--") break;
            if (arg == "--help" || arg == "-h") {
                o->help = true;
                return true;
            }
        }
        bool optionsEnded = false;
        for (int i = 1; i < argc; ++i) {
            std::string arg = argv[i];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
                o->files.push_back(arg);
                continue;
            }
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            std::string inlineValue;
            bool hasInline = false;
            const size_t eq = arg.find('=');
            if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
                hasInline = true;
            }
            if (arg == "--swap") {
                if (hasInline) return UsageError("--swap takes no value");
                o->swap = true;
                continue;
            }
            auto takeValue = [&](std::string* value) {
                if (hasInline) {
                    *value = inlineValue;
                    return true;
                }
                if (i + 1 >= argc) return UsageError("missing value for " + arg);
                *value = argv[++i];
                return true;
            };
            if (arg == "--pixel-format") {
                std::string value;
                if (!takeValue(&value)) return false;
                if (o->formatGiven) return UsageError("--pixel-format given twice");
                if (EqualsIgnoreCase(value, "rgb24")) o->format = PixelFormatCode::Rgb24;
                else if (EqualsIgnoreCase(value, "yuy2")) o->format = PixelFormatCode::Yuy2;
                else return UsageError("unknown pixel format '" + value + "' (rgb24 or yuy2)");
                o->formatGiven = true;
                o->rawOnlyGiven.push_back(arg);
                continue;
            }
            const IntOption* match = nullptr;
            for (const IntOption& opt : intOptions)
                if (arg == opt.name) match = &opt;
            if (!match) return UsageError("unknown option " + arg);
            std::string value;
            if (!takeValue(&value)) return false;
            if (match->target->given) return UsageError(arg + " given twice");
            if (!ParseInteger(value, &match->target->value))
                return UsageError("value '" + value + "' for " + arg + " is not an integer in range");
            match->target->given = true;
            if (match->rawOnly) o->rawOnlyGiven.push_back(arg);
        }
        return true;
    }

    bool CheckCommon(const Options& o) {
        if (!o.layout.given) return UsageError("--layout is required");
        if (!o.mode.given) return UsageError("--mode is required");
        if (o.layout.value < 0 || o.layout.value >= kLayoutCount)
            return UsageError("--layout " + std::to_string(o.layout.value) + " is not a layout (0-5)");
        if (o.mode.value < std::numeric_limits<int32_t>::min() || o.mode.value > std::numeric_limits<int32_t>::max())
            return UsageError("--mode " + std::to_string(o.mode.value) + " is out of range");
        return true;
    }

    bool CheckBmp(const Options& o) {
        if (!o.rawOnlyGiven.empty())
            return UsageError(o.rawOnlyGiven.front() + " is for raw frames, not BMP files");
        if (o.files.size() != 2) return UsageError("BMP mode takes an input and an output file");
        return true;
    }

    bool CheckRaw(const Options& o) {
        if (!o.formatGiven) return UsageError("--pixel-format is required (or give in.bmp out.bmp)");
        if (!o.width.given) return UsageError("--width is required");
        if (!o.height.given) return UsageError("--height is required");
        if (o.width.value < 1 || o.width.value > kMaxDimension)
            return UsageError("--width " + std::to_string(o.width.value) + " is out of range (1-" +
                              std::to_string(kMaxDimension) + ")");
        if (o.height.value == 0 || o.height.value < -kMaxDimension || o.height.value > kMaxDimension)
            return UsageError("--height " + std::to_string(o.height.value) + " is out of range (non-zero, up to " +
                              std::to_string(kMaxDimension) + " either way)");
        if (o.fill.given && (o.fill.value < 0 || o.fill.value > 255))
            return UsageError("--fill " + std::to_string(o.fill.value) + " is not a byte (0-255)");
        if (o.frames.given && o.frames.value < 1)
            return UsageError("--frames " + std::to_string(o.frames.value) + " must be at least 1");
        const int64_t rows = o.height.value < 0 ? -o.height.value : o.height.value;
        const uint64_t outBytes = uint64_t(2 * o.width.value * BytesPerPixel(o.format)) * uint64_t(rows);
        if (outBytes > kMaxOutputFrameBytes)
            return UsageError("a " + std::to_string(o.width.value) + " x " + std::to_string(rows) +
                              " frame needs " + std::to_string(outBytes) + " output bytes, more than the " +
                              std::to_string(kMaxOutputFrameBytes) + " allowed");
        return true;
    }

    int RunRaw(const Options& o) {
        const int32_t width = static_cast<int32_t>(o.width.value);
        const int32_t height = static_cast<int32_t>(o.height.value);
        const int32_t rows = height < 0 ? -height : height;
        const size_t srcStride = size_t(width) * size_t(BytesPerPixel(o.format));
        const size_t dstStride = 2 * srcStride;
        const size_t frameBytes = srcStride * size_t(rows);
        const size_t outBytes = dstStride * size_t(rows);
        const int64_t frames = o.frames.given ? o.frames.value : 1;
        const int32_t mode = static_cast<int32_t>(o.mode.value);
        const int32_t layout = static_cast<int32_t>(o.layout.value);

        // One source and one output buffer for the whole run, like the filter's.
        std::unique_ptr<uint8_t[]> src(new uint8_t[frameBytes]);
        std::vector<uint8_t> dst(outBytes, static_cast<uint8_t>(o.fill.given ? o.fill.value : 0));
        const FrameBuffers buffers{src.get(),  ptrdiff_t(srcStride), width, height,
                                   dst.data(), ptrdiff_t(dstStride), 2 * width, rows};

        for (int64_t n = 0; n < frames; ++n) {
            const size_t got = std::fread(src.get(), 1, frameBytes, in_);
            if (got != frameBytes) {
                if (std::ferror(in_)) return Error(std::string("cannot read input: ") + std::strerror(errno));
                if (got == 0 && n > 0)
                    return Error("input ended after " + std::to_string(n) + " of " + std::to_string(frames) +
                                 " frames");
                return Error("input ended inside frame " + std::to_string(n + 1) + ": " + std::to_string(got) +
                             " of " + std::to_string(frameBytes) + " bytes");
            }
            if (ComposeFrame(o.format, mode, layout, o.swap, buffers) != ComposeResult::Composed)
                return Error("the compositor rejected frame " + std::to_string(n + 1));
            if (std::fwrite(dst.data(), 1, outBytes, out_) != outBytes)
                return Error(std::string("cannot write output: ") + std::strerror(errno));
        }
        if (std::fflush(out_) != 0) return Error(std::string("cannot write output: ") + std::strerror(errno));
        return kComposeExitOk;
    }

    int RunBmp(const Options& o) {
        const std::string& inPath = o.files[0];
        const std::string& outPath = o.files[1];
        const int32_t mode = static_cast<int32_t>(o.mode.value);
        const int32_t layout = static_cast<int32_t>(o.layout.value);
        std::string error;
        Bmp24Image image;
        if (!ReadBmp24File(inPath, &image, &error)) return Error(error);
        if (image.width > kMaxDimension || image.height > kMaxDimension ||
            uint64_t(6) * uint64_t(image.width) * uint64_t(image.height) > kMaxOutputFrameBytes)
            return Error(inPath + ": a " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                         " picture is too large to compose");

        const ComposedArea area = ComposedAreaOf(PixelFormatCode::Rgb24, mode, layout, image.width, image.height);
        const int32_t outWidth = area.rowBytes / 3;
        if (area.empty() || outWidth <= 0)
            return Error(inPath + ": a " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                         " picture is too small for layout " + std::to_string(layout) + " in display mode " +
                         std::to_string(mode) + "; nothing would be composed");

        const size_t dstStride = size_t(6) * size_t(image.width);
        if (area.firstRow < 0 || int64_t(area.firstRow) + area.rowCount > image.height ||
            size_t(area.rowBytes) > dstStride)
            return Error("composed area lies outside the output frame");
        std::vector<uint8_t> dst(dstStride * size_t(image.height), 0);
        const FrameBuffers buffers{image.Row0(), image.stride,         image.width,     image.height,
                                   dst.data(),   ptrdiff_t(dstStride), 2 * image.width, image.height};
        if (ComposeFrame(PixelFormatCode::Rgb24, mode, layout, o.swap, buffers) != ComposeResult::Composed)
            return Error(inPath + ": the compositor rejected the picture");

        const uint8_t* firstRow = dst.data() + size_t(area.firstRow) * dstStride;
        if (!WriteBmp24File(outPath, firstRow, ptrdiff_t(dstStride), outWidth, area.rowCount, &error))
            return Error(error);
        return kComposeExitOk;
    }

    FILE* in_;
    FILE* out_;
    FILE* err_;
};

}  // namespace

int RunComposeCli(int argc, char** argv, FILE* in, FILE* out, FILE* err) {
    return Cli(in, out, err).Run(argc, argv);
}

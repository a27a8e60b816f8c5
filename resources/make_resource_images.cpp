// Build tool: writes the program's icons, its cursors and the
// toolbar strip as Windows .ico, .cur and .bmp files, so the repository
// holds the pictures as text. Runs on the build machine.
//
//   make_resource_images <output folder>
//
// All pictures use the 16 colours of the standard VGA palette, 4 bits per
// pixel, which every display and image list handles exactly.
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// Index order as in the Windows 16-colour palette; 7 (silver) is the
// toolbar's transparent colour.
const Rgb kPalette[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};
constexpr int kSilver = 7;

// Picture letters: '.' is silver (transparent in the toolbar and the icon).
int ColourIndex(char c) {
    switch (c) {
        case 'k': return 0;   // black
        case 'm': return 1;   // maroon
        case 'g': return 2;   // green
        case 'o': return 3;   // olive
        case 'n': return 4;   // navy
        case 'p': return 5;   // purple
        case 't': return 6;   // teal
        case '.': return 7;   // silver
        case 'd': return 8;   // grey
        case 'r': return 9;   // red
        case 'l': return 10;  // lime
        case 'y': return 11;  // yellow
        case 'b': return 12;  // blue
        case 'f': return 13;  // fuchsia
        case 'c': return 14;  // cyan
        case 'w': return 15;  // white
    }
    throw std::runtime_error(std::string("unknown colour letter '") + c + "'");
}

// A picture of palette indices, row 0 at the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;

    Picture(int w, int h) : width(w), height(h), pixels(size_t(w) * h, kSilver) {}
    uint8_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }

    // Copies rows of picture letters with their top-left corner at (x, y).
    void Paint(int x, int y, const std::vector<std::string>& rows) {
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < rows[r].size(); ++c) {
                int px = x + int(c), py = y + int(r);
                if (px >= width || py >= height) throw std::runtime_error("picture rows too large");
                pixels[size_t(py) * width + px] = uint8_t(ColourIndex(rows[r][c]));
            }
    }
};

// Toolbar images, 20 x 17 each, in button order.
const std::vector<std::vector<std::string>> kToolbarImages = {
    {   // 0 open: an open folder
        "....................",
        "....................",
        "....................",
        "..kkkkk.............",
        ".koooook............",
        ".kooooookkkkkkkk....",
        ".kooooooooooooook...",
        ".kooooooooooooook...",
        ".koookkkkkkkkkkkkkk.",
        ".kookyyyyyyyyyyyyk..",
        ".kookyyyyyyyyyyyyk..",
        ".kokyyyyyyyyyyyyk...",
        ".kokyyyyyyyyyyyyk...",
        ".kkyyyyyyyyyyyyk....",
        ".kkkkkkkkkkkkkkk....",
        "....................",
        "....................",
    },
    {   // 1 stop: a square
        "....................",
        "....................",
        "....................",
        "....kkkkkkkkkkk.....",
        "....knnnnnnnnnk.....",
        "....knnnnnnnnnk.....",
        "....knnnnnnnnnk.....",
        "....knnnnnnnnnk.....",
        "....knnnnnnnnnk.....",
        "....knnnnnnnnnk.....",
        "....knnnnnnnnnk.....",
        "....knnnnnnnnnk.....",
        "....kkkkkkkkkkk.....",
        "....................",
        "....................",
        "....................",
        "....................",
    },
    {   // 2 play: a triangle pointing right
        "....................",
        "....................",
        ".....k..............",
        ".....kk.............",
        ".....kgkk...........",
        ".....kgggkk.........",
        ".....kgggggkk.......",
        ".....kgggggggkk.....",
        ".....kgggggggggk....",
        ".....kgggggggkk.....",
        ".....kgggggkk.......",
        ".....kgggkk.........",
        ".....kgkk...........",
        ".....kk.............",
        ".....k..............",
        "....................",
        "....................",
    },
    {   // 3 swap: a red arrow to the right over a blue arrow to the left
        "....................",
        "............r.......",
        "............rr......",
        "..rrrrrrrrrrrrr.....",
        "..rrrrrrrrrrrrrr....",
        "..rrrrrrrrrrrrr.....",
        "............rr......",
        "............r.......",
        "....................",
        ".......b............",
        "......bb............",
        ".....bbbbbbbbbbbbb..",
        "....bbbbbbbbbbbbbb..",
        ".....bbbbbbbbbbbbb..",
        "......bb............",
        ".......b............",
        "....................",
    },
    {   // 4 full screen: a monitor with arrows to its corners
        "....................",
        ".kkkkkkkkkkkkkkkkkk.",
        ".kddddddddddddddddk.",
        ".kdwwwnnnnnnnnwwwdk.",
        ".kdwwnnnnnnnnnnwwdk.",
        ".kdwnwnnnnnnnnwnwdk.",
        ".kdnnnnnnnnnnnnnndk.",
        ".kdnnnnnnnnnnnnnndk.",
        ".kdnnnnnnnnnnnnnndk.",
        ".kdwnwnnnnnnnnwnwdk.",
        ".kdwwnnnnnnnnnnwwdk.",
        ".kdwwwnnnnnnnnwwwdk.",
        ".kddddddddddddddddk.",
        ".kkkkkkkkkkkkkkkkkk.",
        "........kddk........",
        "......kkkkkkkk......",
        "....................",
    },
    {   // 5 size 100 %: "100%" in a frame
        "....................",
        "....................",
        "dddddddddddddddddddd",
        "dwwwwwwwwwwwwwwwwwwd",
        "dwwwwwwwwwwwwwwwwwwd",
        "dwwkwwkkkwkkkwkkwwkd",
        "dwkkwwkwkwkwkwkkwkwd",
        "dwwkwwkwkwkwkwwwkwwd",
        "dwwkwwkwkwkwkwwkwkkd",
        "dwkkkwkkkwkkkwkwwkkd",
        "dwwwwwwwwwwwwwwwwwwd",
        "dwwwwwwwwwwwwwwwwwwd",
        "dddddddddddddddddddd",
        "....................",
        "....................",
        "....................",
        "....................",
    },
    {   // 6 side by side: two equal pictures next to each other
        "....................",
        "....................",
        "....................",
        "kkkkkkkkk..kkkkkkkkk",
        "kccccccck..kccccccck",
        "kcccccyck..kcccccyck",
        "kccccccck..kccccccck",
        "kcccgccck..kcccgccck",
        "kccgggcck..kccgggcck",
        "kcgggggck..kcgggggck",
        "kgggggggk..kgggggggk",
        "kgggggggk..kgggggggk",
        "kkkkkkkkk..kkkkkkkkk",
        "....................",
        "....................",
        "....................",
        "....................",
    },
    {   // 7 grey anaglyph: red/cyan glasses over a grey scale
        "....................",
        "....................",
        ".kkkkkkkk..kkkkkkkk.",
        ".krrrrrrkkkkcccccck.",
        ".krrrrrrk..kcccccck.",
        ".krrrrrrk..kcccccck.",
        "..krrrrk....kcccck..",
        "...kkkk......kkkk...",
        "....................",
        "....................",
        ".kkkkkkkkkkkkkkkkkk.",
        ".kkkkkkkddddddwwwwk.",
        ".kkkkkkkddddddwwwwk.",
        ".kkkkkkkddddddwwwwk.",
        ".kkkkkkkkkkkkkkkkkk.",
        "....................",
        "....................",
    },
    {   // 8 colour anaglyph: red/cyan glasses over a colour scale
        "....................",
        "....................",
        ".kkkkkkkk..kkkkkkkk.",
        ".krrrrrrkkkkcccccck.",
        ".krrrrrrk..kcccccck.",
        ".krrrrrrk..kcccccck.",
        "..krrrrk....kcccck..",
        "...kkkk......kkkk...",
        "....................",
        "....................",
        ".kkkkkkkkkkkkkkkkkk.",
        ".krrryyylllcccbbbfk.",
        ".krrryyylllcccbbbfk.",
        ".krrryyylllcccbbbfk.",
        ".kkkkkkkkkkkkkkkkkk.",
        "....................",
        "....................",
    },
    {   // 9 interlace: alternating red and blue lines
        "....................",
        "..kkkkkkkkkkkkkkkk..",
        "..krrrrrrrrrrrrrrk..",
        "..kbbbbbbbbbbbbbbk..",
        "..krrrrrrrrrrrrrrk..",
        "..kbbbbbbbbbbbbbbk..",
        "..krrrrrrrrrrrrrrk..",
        "..kbbbbbbbbbbbbbbk..",
        "..krrrrrrrrrrrrrrk..",
        "..kbbbbbbbbbbbbbbk..",
        "..krrrrrrrrrrrrrrk..",
        "..kbbbbbbbbbbbbbbk..",
        "..krrrrrrrrrrrrrrk..",
        "..kbbbbbbbbbbbbbbk..",
        "..kkkkkkkkkkkkkkkk..",
        "....................",
        "....................",
    },
    {   // 10 shutter glasses: one eye dark, the other clear, taking turns
        "....................",
        "....................",
        ".kkkkkkkk..kkkkkkkk.",
        ".kkkkkkkkkkkwwwwwwk.",
        ".kkkkkkkk..kwwwwwwk.",
        ".kkkkkkkk..kwwwwwwk.",
        "..kkkkkk....kwwwwk..",
        "...kkkk......kkkk...",
        "....................",
        "....................",
        "...k..........bbb...",
        "...k..........b..b..",
        "...k..........bbb...",
        "...k..........b.b...",
        "...kkkk.......b..b..",
        "....................",
        "....................",
    },
};

// Icon pictures: red/cyan glasses on a dark film frame.
const std::vector<std::string> kIcon32 = {
    "................................",
    "................................",
    "................................",
    "................................",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knwwnnwwnnwwnnwwnnwwnnwwnnwwnk.",
    ".knwwnnwwnnwwnnwwnnwwnnwwnnwwnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knkkkkkkkkkkknnnnkkkkkkkkkkknk.",
    ".knkrrrrrrrrrkkkkkkcccccccccknk.",
    ".knkrrrrrrrrrkkkkkkcccccccccknk.",
    ".knkrrrrrrrrrknnnnkcccccccccknk.",
    ".knkrrrrrrrrrknnnnkcccccccccknk.",
    ".knnkrrrrrrrknnnnnnkccccccckknk.",
    ".knnnkrrrrrknnnnnnnnkccccckknnk.",
    ".knnnnkkkkknnnnnnnnnnkkkkknnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knwwnnwwnnwwnnwwnnwwnnwwnnwwnk.",
    ".knwwnnwwnnwwnnwwnnwwnnwwnnwwnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

const std::vector<std::string> kIcon16 = {
    "................",
    "................",
    "kkkkkkkkkkkkkkkk",
    "knwnwnwnwnwnwnwk",
    "knnnnnnnnnnnnnnk",
    "kkkkkkkkkkkkkkkk",
    "kkrrrrrkkcccccck",
    "kkrrrrrkkcccccck",
    "knkrrrknnkccccnk",
    "knnkkknnnnkkkknk",
    "knnnnnnnnnnnnnnk",
    "knwnwnwnwnwnwnwk",
    "kkkkkkkkkkkkkkkk",
    "................",
    "................",
    "................",
};

// The stereo window's icon: shutter glasses, one eye dark and one clear,
// over a screen split into two halves.
const std::vector<std::string> kStereoIcon32 = {
    "................................",
    "................................",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "..knnnnnnnnnnnnkknnnnnnnnnnnnk..",
    "..knnnnnnnnnnnnkknnnnnnnnnnnnk..",
    "..knnnnrrnnnnnnkknnnnnnbbnnnnk..",
    "..knnnrrrrnnnnnkknnnnnbbbbnnnk..",
    "..knnnrrrrnnnnnkknnnnnbbbbnnnk..",
    "..knnnnrrnnnnnnkknnnnnnbbnnnnk..",
    "..knnnnnnnnnnnnkknnnnnnnnnnnnk..",
    "..knnnnnnnnnnnnkknnnnnnnnnnnnk..",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "................................",
    "................................",
    "..kkkkkkkkkkkk....kkkkkkkkkkkk..",
    ".kddddddddddddk..kwwwwwwwwwwwwk.",
    "kddkkkkkkkkkkddkkwwccccccccccwwk",
    "kdkkkkkkkkkkkkdkkwccccccccccccwk",
    "kdkkkkkkkkkkkkdddwccccccccccccwk",
    "kdkkkkkkkkkkkkdkkwccccccccccccwk",
    "kdkkkkkkkkkkkkdk.kwccccccccccwk.",
    ".kdkkkkkkkkkkdk...kwccccccccwk..",
    "..kddkkkkkkddk.....kwwccccwwk...",
    "...kkddddddkk.......kkwwwwkk....",
    ".....kkkkkk...........kkkk......",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

const std::vector<std::string> kStereoIcon16 = {
    "................",
    ".kkkkkkkkkkkkkk.",
    ".knnnrnnknnbnnk.",
    ".knnrrrnknbbbnk.",
    ".knnnrnnknnbnnk.",
    ".kkkkkkkkkkkkkk.",
    "................",
    ".kkkkkk..kkkkkk.",
    "kdkkkkdkkwccccwk",
    "kdkkkkdddwccccwk",
    "kdkkkkdkkwccccwk",
    ".kdkkdk..kwccwk.",
    "..kddk....kwwk..",
    "...kk......kk...",
    "................",
    "................",
};

// The closing hand cursor, 32 x 32: 'k' black, 'w' white, '.' the screen.
const std::vector<std::string> kCloseHandCursor = {
    ".....kk.........................",
    "....kwwk........................",
    "....kwwk........................",
    "....kwwk........................",
    "....kwwk........................",
    "....kwwkkk......................",
    "....kwwkwwkkk...................",
    "....kwwkwwkwwkk.................",
    ".kk.kwwkwwkwwkwk................",
    "kwwkkwwwwwwwwkwwk...............",
    "kwwwkwwwwwwwwwwwk...............",
    ".kwwkwwwwwwwwwwwk...............",
    "..kwwwwwwwwwwwwwk...............",
    "..kwwwwwwwwwwwwwk...............",
    "...kwwwwwwwwwwwk................",
    "...kwwwwwwwwwwwk................",
    "....kwwwwwwwwwk.................",
    "....kwwwwwwwwwk.................",
    "....kkkkkkkkkkk.................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

// Little-endian byte writer.
struct Bytes {
    std::vector<uint8_t> data;
    void u8(unsigned v) { data.push_back(uint8_t(v)); }
    void u16(unsigned v) {
        u8(v & 0xff);
        u8((v >> 8) & 0xff);
    }
    void u32(uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void zeros(size_t n) { data.insert(data.end(), n, 0); }
    void append(const Bytes& other) { data.insert(data.end(), other.data.begin(), other.data.end()); }
};

// DIB rows are padded to 4 bytes.
size_t RowBytes(int width, int bits) { return (size_t(width) * bits + 31) / 32 * 4; }

void BitmapInfoHeader(Bytes& out, int width, int height, int bits, uint32_t colours, uint32_t imageSize) {
    out.u32(40);
    out.i32(width);
    out.i32(height);
    out.u16(1);
    out.u16(bits);
    out.u32(0);  // BI_RGB
    out.u32(imageSize);
    out.i32(2835);  // 72 dpi
    out.i32(2835);
    out.u32(colours);
    out.u32(0);
}

void VgaPalette(Bytes& out) {
    for (const Rgb& c : kPalette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
}

// 4-bit rows, bottom row first. transparentBlack writes silver as black,
// as icons want under their mask.
Bytes FourBitRows(const Picture& p, bool transparentBlack) {
    Bytes out;
    const size_t stride = RowBytes(p.width, 4);
    for (int y = p.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < p.width; ++x) {
            uint8_t v = p.at(x, y);
            if (transparentBlack && v == kSilver) v = 0;
            row[x / 2] |= (x % 2 == 0) ? uint8_t(v << 4) : v;
        }
        out.data.insert(out.data.end(), row.begin(), row.end());
    }
    return out;
}

// 1-bit AND mask, bottom row first: 1 where the picture is transparent.
Bytes MaskRows(const Picture& p) {
    Bytes out;
    const size_t stride = RowBytes(p.width, 1);
    for (int y = p.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y) == kSilver) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        out.data.insert(out.data.end(), row.begin(), row.end());
    }
    return out;
}

Bytes ToolbarBitmap() {
    const int count = int(kToolbarImages.size());
    Picture strip(20 * count, 17);
    for (int i = 0; i < count; ++i) {
        const auto& rows = kToolbarImages[size_t(i)];
        if (rows.size() != 17) throw std::runtime_error("toolbar image " + std::to_string(i) + " is not 17 rows");
        for (const auto& row : rows)
            if (row.size() != 20)
                throw std::runtime_error("toolbar image " + std::to_string(i) + " has a row not 20 wide");
        strip.Paint(20 * i, 0, rows);
    }
    Bytes pixels = FourBitRows(strip, false);
    Bytes info;
    BitmapInfoHeader(info, strip.width, strip.height, 4, 16, uint32_t(pixels.data.size()));
    VgaPalette(info);
    Bytes file;
    file.u8('B');
    file.u8('M');
    file.u32(uint32_t(14 + info.data.size() + pixels.data.size()));
    file.u32(0);
    file.u32(uint32_t(14 + info.data.size()));
    file.append(info);
    file.append(pixels);
    return file;
}

Picture FromRows(const std::vector<std::string>& rows) {
    Picture p(int(rows.at(0).size()), int(rows.size()));
    for (const auto& row : rows)
        if (int(row.size()) != p.width) throw std::runtime_error("icon rows of unequal width");
    p.Paint(0, 0, rows);
    return p;
}

// One icon image: header with doubled height, palette, colour rows, mask.
Bytes IconImage(const Picture& p) {
    Bytes colour = FourBitRows(p, true);
    Bytes mask = MaskRows(p);
    Bytes out;
    BitmapInfoHeader(out, p.width, 2 * p.height, 4, 16, uint32_t(colour.data.size() + mask.data.size()));
    VgaPalette(out);
    out.append(colour);
    out.append(mask);
    return out;
}

Bytes IconFile(const std::vector<std::string>& large, const std::vector<std::string>& small) {
    const std::vector<Picture> pictures = {FromRows(large), FromRows(small)};
    std::vector<Bytes> images;
    for (const Picture& p : pictures) images.push_back(IconImage(p));
    Bytes file;
    file.u16(0);
    file.u16(1);  // icon
    file.u16(unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.u8(unsigned(pictures[i].width));
        file.u8(unsigned(pictures[i].height));
        file.u8(16);  // colours
        file.u8(0);
        file.u16(1);  // planes
        file.u16(4);  // bits per pixel
        file.u32(uint32_t(images[i].data.size()));
        file.u32(offset);
        offset += uint32_t(images[i].data.size());
    }
    for (const Bytes& image : images) file.append(image);
    return file;
}

// A 32 x 32 monochrome cursor that leaves the screen unchanged everywhere:
// AND mask all ones, XOR picture all zeros.
Bytes InvisibleCursorFile() {
    const int size = 32;
    const size_t stride = RowBytes(size, 1);
    Bytes image;
    BitmapInfoHeader(image, size, 2 * size, 1, 2, uint32_t(2 * stride * size));
    image.u32(0x00000000);  // black
    image.u32(0x00ffffff);  // white
    image.zeros(stride * size);                                  // XOR
    image.data.insert(image.data.end(), stride * size, 0xff);   // AND
    Bytes file;
    file.u16(0);
    file.u16(2);  // cursor
    file.u16(1);
    file.u8(size);
    file.u8(size);
    file.u8(2);
    file.u8(0);
    file.u16(0);  // hot spot x
    file.u16(0);  // hot spot y
    file.u32(uint32_t(image.data.size()));
    file.u32(6 + 16);
    file.append(image);
    return file;
}

// A 32 x 32 monochrome cursor of picture rows, its hot spot at (hx, hy).
Bytes MonochromeCursorFile(const std::vector<std::string>& rows, int hx, int hy) {
    const int size = 32;
    if (rows.size() != size_t(size)) throw std::runtime_error("cursor rows are not 32");
    const size_t stride = RowBytes(size, 1);
    Bytes image;
    BitmapInfoHeader(image, size, 2 * size, 1, 2, uint32_t(2 * stride * size));
    image.u32(0x00000000);  // black
    image.u32(0x00ffffff);  // white
    // XOR picture then AND mask, bottom row first: white is XOR 1, the
    // screen shows through where the mask is 1.
    for (int pass = 0; pass < 2; ++pass)
        for (int y = size - 1; y >= 0; --y) {
            if (rows[size_t(y)].size() != size_t(size)) throw std::runtime_error("cursor row not 32 wide");
            std::vector<uint8_t> row(stride, 0);
            for (int x = 0; x < size; ++x) {
                const char c = rows[size_t(y)][size_t(x)];
                if (c != 'k' && c != 'w' && c != '.') throw std::runtime_error("unknown cursor letter");
                const bool set = pass == 0 ? c == 'w' : c == '.';
                if (set) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            }
            image.data.insert(image.data.end(), row.begin(), row.end());
        }
    Bytes file;
    file.u16(0);
    file.u16(2);  // cursor
    file.u16(1);
    file.u8(size);
    file.u8(size);
    file.u8(2);
    file.u8(0);
    file.u16(unsigned(hx));
    file.u16(unsigned(hy));
    file.u32(uint32_t(image.data.size()));
    file.u32(6 + 16);
    file.append(image);
    return file;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + path);
    const bool ok = std::fwrite(bytes.data.data(), 1, bytes.data.size(), f) == bytes.data.size();
    if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    try {
        WriteFile(dir + "duoscope.ico", IconFile(kIcon32, kIcon16));
        WriteFile(dir + "strwin.ico", IconFile(kStereoIcon32, kStereoIcon16));
        WriteFile(dir + "closeh.cur", MonochromeCursorFile(kCloseHandCursor, 5, 0));
        WriteFile(dir + "nothing.cur", InvisibleCursorFile());
        WriteFile(dir + "toolbar.bmp", ToolbarBitmap());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_resource_images: %s\n", e.what());
        return 1;
    }
    return 0;
}

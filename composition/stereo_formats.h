// Stereo layout and display-format codes, the commands that select them,
// and how a source frame divides into its two views.
#pragma once
#include <cstdint>

// How the two views are packed in a source frame.
enum class StereoInputLayout : int32_t {
    SideBySideFull = 0,
    OverUnderFull = 1,
    OverUnderHalf = 2,
    OverUnder475 = 3,
    Interlaced = 4,
    SideBySideHalf = 5,
};

// The display format a frame is recomposed into.
enum class StereoDisplayMode : int32_t {
    AsSource = 0,
    SideBySide = 1,
    AnaglyphRedCyan = 2,
    AnaglyphRedGreen = 3,
    AnaglyphRedBlue = 4,
    AnaglyphColor = 5,
    AnaglyphColorRedFix = 6,
    LineInterlace = 7,
    Sharp3dLcd = 8,
    ShutterGlasses = 9,
    OneSide = 10,
    MirrorLeft = 11,
    MirrorRight = 12,
    MirrorBoth = 13,
};

// Pixel format of the effect filter's input (kept in g_nVideoSubtype).
enum class PixelFormatCode : int32_t {
    Unknown = 0,
    Rgb24 = 1,
    Yuy2 = 2,
};

constexpr int32_t kLayoutCount = 6;
constexpr int32_t kDisplayModeCount = 14;

constexpr int kFirstLayoutCommand = 3100;   // menu 3100..3105
constexpr int kFirstLayoutButton = 1080;    // dialog radios 1080..1085
constexpr int kFirstDisplayCommand = 3024;  // menu 3024..3037
constexpr int kFirstDisplayButton = 1090;   // dialog radios 1090..1103

constexpr bool IsValidLayout(int32_t code) { return code >= 0 && code < kLayoutCount; }
constexpr bool IsValidDisplayMode(int32_t code) { return code >= 0 && code < kDisplayModeCount; }

// Command or button id -> code; -1 when the id selects no code.
int32_t LayoutFromCommand(int command);
int32_t LayoutFromButton(int button);
int32_t DisplayModeFromCommand(int command);
int32_t DisplayModeFromButton(int button);
constexpr int CommandFromLayout(int32_t layout) { return kFirstLayoutCommand + layout; }
constexpr int ButtonFromLayout(int32_t layout) { return kFirstLayoutButton + layout; }
constexpr int CommandFromDisplayMode(int32_t mode) { return kFirstDisplayCommand + mode; }
constexpr int ButtonFromDisplayMode(int32_t mode) { return kFirstDisplayButton + mode; }

constexpr int32_t CodeOf(StereoInputLayout layout) { return static_cast<int32_t>(layout); }
constexpr int32_t CodeOf(StereoDisplayMode mode) { return static_cast<int32_t>(mode); }

// ------------------------------------------------------------ display modes
// What the code branches on for a display mode, one row per mode, so that
// the modes differ in data rather than in code paths.

// The draw the program's own full-screen window uses.
enum class GdiDraw { AsSource, OneSide, SideBySide, Anaglyph, Interlace, SharpLcd };

// Picture lines (rows) or sub-pixel columns that alternate between the two
// views: scaling across them would mix the views.
enum class Interleave { None, Rows, Columns };

struct DisplayModeFacts {
    bool doubleWide;       // both views side by side, twice one view's width
    bool mirrorLeft;       // the left part is shown turned left to right
    bool mirrorRight;      // the right part likewise
    bool oneViewWide;      // one view, cropped to the layout percentages
    Interleave interleave;
    GdiDraw gdiDraw;
    bool gdiOwnDraw;       // false: that window shows side by side and takes mode 1
    bool opensPresenter;   // only a full-screen presenter shows it; no compositor
};
// Unknown codes get all false, no interleave, and side by side without a
// draw of their own, as every caller reads them.
const DisplayModeFacts& DisplayModeFactsOf(int32_t mode);

// ------------------------------------------------------------ input layouts

// Size at which one view is shown, in percent of the output frame's width
// and height (g_nLayoutPctX, g_nLayoutPctY). {0, 0} for an unknown layout.
struct LayoutPercent {
    int32_t x;
    int32_t y;
};
LayoutPercent LayoutPercentages(int32_t layout);

// The two view regions of a W x H source frame (H as stored, memory order).
// All divisions are signed and truncate towards zero, so a negative H gives
// empty regions.
struct ViewRegions {
    enum Kind { None, Halves, Bands, AlternateRows } kind;
    int32_t halfRowBytes;  // Halves: bytes in the first half of a row
    int32_t percent;       // Bands: 100, or 95 for the 47.5 % layout
    int32_t bandRows;      // Bands: n rows in each view
    int32_t rowPairs;      // J = H/2 (every layout; AlternateRows uses it)
};
ViewRegions ComputeViewRegions(PixelFormatCode format, int32_t layout, int32_t width, int32_t height);

struct LayoutFacts {
    LayoutPercent percent;
    ViewRegions::Kind regions;
    // Views stored at half their shown width or height (47.5 % counts as
    // half) and stretched back to the frame's size when shown.
    bool squeezed;
    // Both views' rows together, in percent of the frame height: 95 where a
    // 5 % band between the two belongs to neither.
    int32_t bandPercent;
};
// Unknown codes get {0, 0}, no regions, 0 %. Callers that read an unknown
// code as some layout choose that layout's row themselves.
const LayoutFacts& LayoutFactsOf(int32_t layout);

// Rows of one view in a frame of h rows whose views lie one above the
// other: bandPercent of h / 2, truncated towards zero.
int32_t BandRows(const LayoutFacts& facts, int32_t h);

// Size of one view of a w x h frame as it is shown before any zoom: its own
// size, or the frame's whole width or height when squeezed. Known layouts.
struct ShownSize {
    int32_t width;
    int32_t height;
};
ShownSize ShownViewSize(const LayoutFacts& facts, int32_t w, int32_t h);

// Bytes per pixel of a frame in the given format (3 or 2; 0 when unknown).
constexpr int32_t BytesPerPixel(PixelFormatCode format) {
    return format == PixelFormatCode::Rgb24 ? 3 : format == PixelFormatCode::Yuy2 ? 2 : 0;
}

#include "composition/stereo_formats.h"

#include "composition/int_scale.h"

namespace {

int32_t CodeInRange(int id, int first, int32_t count) {
    return (id >= first && id < first + count) ? id - first : -1;
}

struct ModeRow {
    StereoDisplayMode mode;  // the row's own code, checked below
    DisplayModeFacts facts;
};

constexpr Interleave kNone = Interleave::None;
constexpr Interleave kRows = Interleave::Rows;
constexpr Interleave kColumns = Interleave::Columns;

//  double wide, mirror left, mirror right, one view wide, interleave,
//  GDI draw, own GDI draw, opens a presenter
constexpr ModeRow kModeRows[kDisplayModeCount] = {
    {StereoDisplayMode::AsSource,            {false, false, false, false, kNone,    GdiDraw::AsSource,   true,  false}},
    {StereoDisplayMode::SideBySide,          {true,  false, false, false, kNone,    GdiDraw::SideBySide, true,  false}},
    {StereoDisplayMode::AnaglyphRedCyan,     {false, false, false, true,  kNone,    GdiDraw::Anaglyph,   true,  false}},
    {StereoDisplayMode::AnaglyphRedGreen,    {false, false, false, true,  kNone,    GdiDraw::Anaglyph,   true,  false}},
    {StereoDisplayMode::AnaglyphRedBlue,     {false, false, false, true,  kNone,    GdiDraw::Anaglyph,   true,  false}},
    {StereoDisplayMode::AnaglyphColor,       {false, false, false, true,  kNone,    GdiDraw::Anaglyph,   true,  false}},
    {StereoDisplayMode::AnaglyphColorRedFix, {false, false, false, true,  kNone,    GdiDraw::Anaglyph,   true,  false}},
    {StereoDisplayMode::LineInterlace,       {false, false, false, false, kRows,    GdiDraw::Interlace,  true,  false}},
    {StereoDisplayMode::Sharp3dLcd,          {false, false, false, false, kColumns, GdiDraw::SharpLcd,   true,  true}},
    {StereoDisplayMode::ShutterGlasses,      {false, false, false, false, kNone,    GdiDraw::SideBySide, false, true}},
    {StereoDisplayMode::OneSide,             {false, false, false, true,  kNone,    GdiDraw::OneSide,    true,  false}},
    {StereoDisplayMode::MirrorLeft,          {true,  true,  false, false, kNone,    GdiDraw::SideBySide, true,  false}},
    {StereoDisplayMode::MirrorRight,         {true,  false, true,  false, kNone,    GdiDraw::SideBySide, true,  false}},
    {StereoDisplayMode::MirrorBoth,          {true,  true,  true,  false, kNone,    GdiDraw::SideBySide, true,  false}},
};

constexpr DisplayModeFacts kUnknownMode{false, false, false, false, kNone, GdiDraw::SideBySide, false, false};

struct LayoutRow {
    StereoInputLayout layout;  // the row's own code, checked below
    LayoutFacts facts;
};

// The y percentages are whole numbers: 47.5 % is kept as 47, so that a crop
// by them never reaches past a view's rows (BandRows gives those rows).
//  percent x and y, view regions, squeezed, band percent
constexpr LayoutRow kLayoutRows[kLayoutCount] = {
    {StereoInputLayout::SideBySideFull, {{25, 100}, ViewRegions::Halves,        false, 100}},
    {StereoInputLayout::OverUnderFull,  {{50, 50},  ViewRegions::Bands,         false, 100}},
    {StereoInputLayout::OverUnderHalf,  {{50, 50},  ViewRegions::Bands,         true,  100}},
    {StereoInputLayout::OverUnder475,   {{50, 47},  ViewRegions::Bands,         true,  95}},
    {StereoInputLayout::Interlaced,     {{50, 50},  ViewRegions::AlternateRows, true,  100}},
    {StereoInputLayout::SideBySideHalf, {{50, 100}, ViewRegions::Halves,        true,  100}},
};

constexpr LayoutFacts kUnknownLayout{{0, 0}, ViewRegions::None, false, 0};

constexpr bool ModeRowsInOrder() {
    for (int32_t i = 0; i < kDisplayModeCount; ++i)
        if (CodeOf(kModeRows[i].mode) != i) return false;
    return true;
}
constexpr bool LayoutRowsInOrder() {
    for (int32_t i = 0; i < kLayoutCount; ++i)
        if (CodeOf(kLayoutRows[i].layout) != i) return false;
    return true;
}
static_assert(ModeRowsInOrder(), "each display mode's row sits at its code");
static_assert(LayoutRowsInOrder(), "each input layout's row sits at its code");

}  // namespace

int32_t LayoutFromCommand(int command) { return CodeInRange(command, kFirstLayoutCommand, kLayoutCount); }
int32_t LayoutFromButton(int button) { return CodeInRange(button, kFirstLayoutButton, kLayoutCount); }
int32_t DisplayModeFromCommand(int command) {
    return CodeInRange(command, kFirstDisplayCommand, kDisplayModeCount);
}
int32_t DisplayModeFromButton(int button) { return CodeInRange(button, kFirstDisplayButton, kDisplayModeCount); }

const DisplayModeFacts& DisplayModeFactsOf(int32_t mode) {
    return IsValidDisplayMode(mode) ? kModeRows[mode].facts : kUnknownMode;
}

const LayoutFacts& LayoutFactsOf(int32_t layout) {
    return IsValidLayout(layout) ? kLayoutRows[layout].facts : kUnknownLayout;
}

LayoutPercent LayoutPercentages(int32_t layout) { return LayoutFactsOf(layout).percent; }

int32_t BandRows(const LayoutFacts& facts, int32_t h) { return ScaleTruncated(facts.bandPercent, h, 200); }

ShownSize ShownViewSize(const LayoutFacts& facts, int32_t w, int32_t h) {
    if (facts.regions == ViewRegions::Halves) return {facts.squeezed ? w : w / 2, h};
    return {w, facts.squeezed ? h : h / 2};
}

ViewRegions ComputeViewRegions(PixelFormatCode format, int32_t layout, int32_t width, int32_t height) {
    const LayoutFacts& facts = LayoutFactsOf(layout);
    ViewRegions v{facts.regions, 0, 0, 0, height / 2};
    if (v.kind == ViewRegions::Halves) {
        // Half a row is floor(3W/2) bytes for RGB24 and W bytes for YUY2.
        v.halfRowBytes = format == PixelFormatCode::Yuy2 ? width : (3 * width) / 2;
    } else if (v.kind == ViewRegions::Bands) {
        v.percent = facts.bandPercent;
        v.bandRows = v.percent * height / 200;
    }
    return v;
}

// RGB24 frames: 3 bytes a pixel (blue, green, red), rows bottom-up, so
// memory row 0 is the bottom line of the picture and the over/under views
// land in the last rows of the output (the top of the picture).
#include "composition/compositor_shapes.h"

namespace rgb24 {

namespace {
struct Rgb24Traits {
    static constexpr PixelFormatCode kFormat = PixelFormatCode::Rgb24;
    static constexpr int32_t kBpp = 3;
    static constexpr bool kBottomUp = true;
    static RowReverseKernel Reverse(const KernelSet& k) { return k.reverseRgbRow; }
    static RgbAnaglyphKernel Anaglyph(const KernelSet& k, int32_t mode) { return k.rgbAnaglyph[mode - 2]; }
    static constexpr int32_t AnaglyphCount(int32_t pixels) { return pixels; }
};
}  // namespace

void ComposeAsSource(const ComposeJob& job) { shapes::AsSource<Rgb24Traits>(job); }
void ComposeSideBySide(const ComposeJob& job) { shapes::SideBySide<Rgb24Traits>(job); }
void ComposeAnaglyph(const ComposeJob& job) { shapes::Anaglyph<Rgb24Traits>(job); }
void ComposeLineInterlace(const ComposeJob& job) { shapes::LineInterlace<Rgb24Traits>(job); }
void ComposeOneSide(const ComposeJob& job) { shapes::OneSide<Rgb24Traits>(job); }

}  // namespace rgb24

// YUY2 frames: pixel pairs Y0, U, Y1, V (2 bytes a pixel), rows top-down,
// so the over/under views land in the first rows of the output (the top of
// the picture). Nothing flips rows to match the RGB placement.
#include "composition/compositor_shapes.h"

namespace yuy2 {

namespace {
struct Yuy2Traits {
    static constexpr PixelFormatCode kFormat = PixelFormatCode::Yuy2;
    static constexpr int32_t kBpp = 2;
    static constexpr bool kBottomUp = false;
    static RowReverseKernel Reverse(const KernelSet& k) { return k.reverseYuy2Row; }
    static Yuy2AnaglyphKernel Anaglyph(const KernelSet& k, int32_t mode) { return k.yuy2Anaglyph[mode - 2]; }
    // The mixes work on whole pairs; an odd pixel at the end is left alone.
    static constexpr int32_t AnaglyphCount(int32_t pixels) { return pixels / 2; }
};
}  // namespace

void ComposeAsSource(const ComposeJob& job) { shapes::AsSource<Yuy2Traits>(job); }
void ComposeSideBySide(const ComposeJob& job) { shapes::SideBySide<Yuy2Traits>(job); }
void ComposeAnaglyph(const ComposeJob& job) { shapes::Anaglyph<Yuy2Traits>(job); }
void ComposeLineInterlace(const ComposeJob& job) { shapes::LineInterlace<Yuy2Traits>(job); }
void ComposeOneSide(const ComposeJob& job) { shapes::OneSide<Yuy2Traits>(job); }

}  // namespace yuy2

// The stereo effect filter under the platform's graph manager: its type
// negotiation on a filter instance, Transform on real samples, and the test
// movies decoded by the platform and recomposed for every display mode,
// layout and swap, compared with the portable compositors byte for byte.
#include "composition/stereo_effect_filter_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture_renderer.h"
#include "com_test_support.h"
#include "composition/compose.h"
#include "composition/dib_row.h"
#include "composition/output_geometry.h"
#include "duoscope_test_media.h"
#include "core/app_state.h"

namespace {

using testsupport::ComApartment;
using testsupport::ComRef;
using testsupport::CompletionWait;
using testsupport::Hex;
using testsupport::Query;
using testsupport::WaitForComplete;

// Every shared code the filter reads or writes, put back as it was.
class SharedCodes {
public:
    SharedCodes() {
        for (size_t i = 0; i < kCount; ++i) saved_[i] = codes_[i]->load();
    }
    ~SharedCodes() {
        for (size_t i = 0; i < kCount; ++i) codes_[i]->store(saved_[i]);
    }

private:
    static constexpr size_t kCount = 9;
    std::atomic<int32_t>* const codes_[kCount] = {&g_nDisplayMode, &g_nInputLayout,  &g_bSwap,
                                                  &g_bRgbMode,     &g_nVideoSubtype, &g_bRecheckOutputFormat,
                                                  &g_nOutputWidth, &g_nOutputHeight, &g_nOutputImageSize};
    int32_t saved_[kCount] = {};
};

struct Combo {
    int32_t mode;
    int32_t layout;
    bool swap;
};

std::string Describe(const Combo& c) {
    return "mode " + std::to_string(c.mode) + " layout " + std::to_string(c.layout) + (c.swap ? " swapped" : "");
}

void Select(const Combo& c) {
    g_nDisplayMode = c.mode;
    g_nInputLayout = c.layout;
    g_bSwap = c.swap ? 1 : 0;
}

// ------------------------------------------------------------ media types

constexpr REFERENCE_TIME kFrameTime = 400000;

CMediaType VideoType(const GUID& subtype, WORD bits, LONG width, LONG height, const GUID& format = FORMAT_VideoInfo) {
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&subtype);
    mt.SetFormatType(&format);
    const DWORD image = static_cast<DWORD>(DibRowBytes(width, bits) * (height < 0 ? -height : height));
    mt.SetSampleSize(image);
    BITMAPINFOHEADER* bmi = nullptr;
    if (format == FORMAT_VideoInfo2) {
        auto* vih2 = reinterpret_cast<VIDEOINFOHEADER2*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER2)));
        std::memset(vih2, 0, sizeof *vih2);
        vih2->dwBitRate = 1234567;
        vih2->dwBitErrorRate = 7;
        vih2->AvgTimePerFrame = kFrameTime;
        vih2->dwPictAspectRatioX = 4;
        vih2->dwPictAspectRatioY = 3;
        bmi = &vih2->bmiHeader;
    } else {
        auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
        std::memset(vih, 0, sizeof *vih);
        vih->dwBitRate = 1234567;
        vih->dwBitErrorRate = 7;
        vih->AvgTimePerFrame = kFrameTime;
        bmi = &vih->bmiHeader;
    }
    bmi->biSize = sizeof(BITMAPINFOHEADER);
    bmi->biWidth = width;
    bmi->biHeight = height;
    bmi->biPlanes = 1;
    bmi->biBitCount = bits;
    bmi->biCompression = subtype == MEDIASUBTYPE_YUY2 ? MAKEFOURCC('Y', 'U', 'Y', '2') : BI_RGB;
    bmi->biSizeImage = image;
    return mt;
}

CMediaType Rgb24(LONG width, LONG height, const GUID& format = FORMAT_VideoInfo) {
    return VideoType(MEDIASUBTYPE_RGB24, 24, width, height, format);
}
CMediaType Yuy2(LONG width, LONG height, const GUID& format = FORMAT_VideoInfo) {
    return VideoType(MEDIASUBTYPE_YUY2, 16, width, height, format);
}

BITMAPINFOHEADER* Bmi(CMediaType& mt) { return const_cast<BITMAPINFOHEADER*>(CaptureRenderer::BitmapHeader(&mt)); }
const BITMAPINFOHEADER& BmiOf(const CMediaType& mt) { return *CaptureRenderer::BitmapHeader(&mt); }

// ------------------------------------------------------------ test source

// {5B7C2E41-93D8-4A16-B0F2-7C1D4E9A3B02}
const CLSID CLSID_TestTypeSource = {0x5b7c2e41, 0x93d8, 0x4a16, {0xb0, 0xf2, 0x7c, 0x1d, 0x4e, 0x9a, 0x3b, 0x02}};

// Offers one fixed type, so that the filter's input can be connected; the
// tests hand the filter its samples themselves.
class TypeSource : public CBaseFilter {
public:
    explicit TypeSource(const CMediaType& type)
        : CBaseFilter(NAME("Type source"), nullptr, &m_lock, CLSID_TestTypeSource), m_pin(this, &m_lock, type) {}

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

private:
    class Pin : public CBaseOutputPin {
    public:
        Pin(TypeSource* filter, CCritSec* lock, const CMediaType& type)
            : CBaseOutputPin(NAME("Type pin"), filter, lock, nullptr, L"Out"), m_type(type) {}
        HRESULT CheckMediaType(const CMediaType* pmt) override { return *pmt == m_type ? S_OK : S_FALSE; }
        HRESULT GetMediaType(int position, CMediaType* pmt) override {
            if (position < 0) return E_INVALIDARG;
            if (position > 0) return VFW_S_NO_MORE_ITEMS;
            *pmt = m_type;
            return S_OK;
        }
        HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
            props->cBuffers = 1;
            props->cbBuffer = static_cast<LONG>(m_type.GetSampleSize());
            ALLOCATOR_PROPERTIES actual{};
            return alloc->SetProperties(props, &actual);
        }

    private:
        const CMediaType m_type;
    };

    CCritSec m_lock;
    Pin m_pin;
};

// ------------------------------------------------------------ samples

struct AllocatorDeleter {
    void operator()(CMemAllocator* a) const { a->Release(); }
};
using AllocatorRef = std::unique_ptr<CMemAllocator, AllocatorDeleter>;

AllocatorRef CommittedAllocator(LONG buffers, LONG size) {
    HRESULT hr = S_OK;
    auto* a = new CMemAllocator(NAME("Test allocator"), nullptr, &hr);
    a->AddRef();
    AllocatorRef ref(a);
    ALLOCATOR_PROPERTIES want{buffers, size, 1, 0};
    ALLOCATOR_PROPERTIES got{};
    EXPECT_EQ(a->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(a->Commit(), S_OK);
    return ref;
}

using SampleRef = ComRef<IMediaSample>;

SampleRef Sample(CMemAllocator* a) {
    IMediaSample* s = nullptr;
    EXPECT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    return SampleRef(s);
}

BYTE* Bytes(IMediaSample* s) {
    BYTE* p = nullptr;
    s->GetPointer(&p);
    return p;
}

// A picture that differs in every byte position and from frame to frame.
std::vector<BYTE> Pattern(size_t size, int seed) {
    std::vector<BYTE> v(size);
    uint32_t x = 2463534242u + static_cast<uint32_t>(seed) * 7919u;
    for (BYTE& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<BYTE>(x);
    }
    return v;
}

// An IMediaSample over a real one whose flag queries can be made to answer
// anything.
class FlagSample : public IMediaSample {
public:
    explicit FlagSample(IMediaSample* inner) : m_inner(inner) {}
    HRESULT sync = S_OK, preroll = S_FALSE, discontinuity = S_FALSE;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IMediaSample) {
            *ppv = static_cast<IMediaSample*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }  // lives on the stack

    STDMETHODIMP GetPointer(BYTE** p) override { return m_inner->GetPointer(p); }
    STDMETHODIMP_(LONG) GetSize() override { return m_inner->GetSize(); }
    STDMETHODIMP GetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override { return m_inner->GetTime(s, e); }
    STDMETHODIMP SetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override { return m_inner->SetTime(s, e); }
    STDMETHODIMP IsSyncPoint() override { return sync; }
    STDMETHODIMP SetSyncPoint(BOOL b) override { return m_inner->SetSyncPoint(b); }
    STDMETHODIMP IsPreroll() override { return preroll; }
    STDMETHODIMP SetPreroll(BOOL b) override { return m_inner->SetPreroll(b); }
    STDMETHODIMP_(LONG) GetActualDataLength() override { return m_inner->GetActualDataLength(); }
    STDMETHODIMP SetActualDataLength(LONG n) override { return m_inner->SetActualDataLength(n); }
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** t) override { return m_inner->GetMediaType(t); }
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* t) override { return m_inner->SetMediaType(t); }
    STDMETHODIMP IsDiscontinuity() override { return discontinuity; }
    STDMETHODIMP SetDiscontinuity(BOOL b) override { return m_inner->SetDiscontinuity(b); }
    STDMETHODIMP GetMediaTime(LONGLONG* s, LONGLONG* e) override { return m_inner->GetMediaTime(s, e); }
    STDMETHODIMP SetMediaTime(LONGLONG* s, LONGLONG* e) override { return m_inner->SetMediaTime(s, e); }

private:
    IMediaSample* const m_inner;
    ULONG m_refs = 1;
};

// ---------------------------------------------------- frames and checks

// Where a frame of a source type lies, and where its composition goes.
struct Geometry {
    PixelFormatCode format;
    int32_t width;
    int32_t height;
    ptrdiff_t srcStride;
    ptrdiff_t dstStride;
    LONG srcBytes;
    LONG outBytes;
};

Geometry GeometryOf(const CMediaType& source) {
    const BITMAPINFOHEADER& bmi = BmiOf(source);
    const bool yuy2 = source.subtype == MEDIASUBTYPE_YUY2;
    const int bits = yuy2 ? 16 : 24;
    Geometry g{yuy2 ? PixelFormatCode::Yuy2 : PixelFormatCode::Rgb24,
               bmi.biWidth,
               bmi.biHeight,
               static_cast<ptrdiff_t>(DibRowBytes(bmi.biWidth, bits)),
               static_cast<ptrdiff_t>(DibRowBytes(2 * int64_t{bmi.biWidth}, bits)),
               0,
               0};
    const LONG rows = bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight;
    g.srcBytes = static_cast<LONG>(g.srcStride * rows);
    g.outBytes = static_cast<LONG>(g.dstStride * rows);
    return g;
}

// What the compositors make of `source` in a fresh buffer of `outBytes`.
std::vector<BYTE> Composed(const std::vector<BYTE>& source, const Geometry& g, const Combo& c, ptrdiff_t dstStride,
                           int32_t outWidth, size_t outBytes, BYTE fill = 0) {
    std::vector<BYTE> out(outBytes, fill);
    const FrameBuffers frame{source.data(), g.srcStride, g.width,  g.height,
                             out.data(),    dstStride,   outWidth, static_cast<int32_t>(outBytes / dstStride)};
    EXPECT_EQ(ComposeFrame(g.format, c.mode, c.layout, c.swap, frame), ComposeResult::Composed) << Describe(c);
    return out;
}

// A composed frame from the filter against the compositors applied to its
// source frame: equal over the composed area. Outside it the filter's one
// output buffer keeps what the frame before left there (`previous`, when
// that came through the same buffer).
testing::AssertionResult MatchesComposition(const CapturedSample& got, const std::vector<BYTE>& source,
                                            const Geometry& g, const Combo& c, const CapturedSample* previous) {
    if (got.actualLength != g.outBytes || got.bytes.size() != static_cast<size_t>(g.outBytes))
        return testing::AssertionFailure() << "length " << got.actualLength << ", want " << g.outBytes;
    if (BmiOf(got.type).biWidth != 2 * g.width) return testing::AssertionFailure() << "output type width";
    const ComposedArea area = ComposedAreaOf(g.format, c.mode, c.layout, g.width, g.height);
    if (area.empty()) return testing::AssertionFailure() << "nothing to compare";
    const std::vector<BYTE> want = Composed(source, g, c, g.dstStride, 2 * g.width, static_cast<size_t>(g.outBytes));
    const int32_t rows = static_cast<int32_t>(g.outBytes / g.dstStride);
    for (int32_t r = 0; r < rows; ++r) {
        const BYTE* row = got.bytes.data() + r * g.dstStride;
        const bool inArea = r >= area.firstRow && r < area.firstRow + area.rowCount;
        const ptrdiff_t composed = inArea ? area.rowBytes : 0;
        for (ptrdiff_t k = 0; k < composed; ++k)
            if (row[k] != want[r * g.dstStride + k])
                return testing::AssertionFailure() << "composed byte " << k << " of row " << r << " is " << int{row[k]}
                                                   << ", want " << int{want[r * g.dstStride + k]};
        if (previous == nullptr || previous->bytes.size() != got.bytes.size()) continue;
        const BYTE* before = previous->bytes.data() + r * g.dstStride;
        for (ptrdiff_t k = composed; k < g.dstStride; ++k)
            if (row[k] != before[k])
                return testing::AssertionFailure() << "byte " << k << " of row " << r << " outside the composed area "
                                                   << "changed";
    }
    return testing::AssertionSuccess();
}

// Every display mode with a compositor, every layout, swap off and on.
std::vector<Combo> AllCombos() {
    std::vector<Combo> all;
    for (int32_t mode = 0; mode < kDisplayModeCount; ++mode) {
        if (!HasCompositor(mode)) continue;
        for (int32_t layout = 0; layout < kLayoutCount; ++layout)
            for (bool swap : {false, true}) all.push_back({mode, layout, swap});
    }
    return all;
}

// Every composing mode once, with the layouts taken in turn and the swap
// flag changing every kLayoutCount modes, so each layout also runs with
// and without swap. The full product is checked sample by sample in the
// Transform tests; this set is for playing whole movies through a graph.
std::vector<Combo> CoveringCombos() {
    std::vector<Combo> set;
    int32_t k = 0;
    for (int32_t mode = 0; mode < kDisplayModeCount; ++mode) {
        if (!HasCompositor(mode)) continue;
        set.push_back({mode, k % kLayoutCount, (k / kLayoutCount) % 2 == 1});
        ++k;
    }
    return set;
}

// ======================================================== type negotiation

class StereoEffectTypes : public testing::Test {
protected:
    void SetUp() override {
        filter_ = new CStereoEffectFilter;
        static_cast<IBaseFilter*>(filter_)->AddRef();
    }
    void TearDown() override { EXPECT_EQ(static_cast<IBaseFilter*>(filter_)->Release(), 0u); }

    SharedCodes codes_;
    CStereoEffectFilter* filter_ = nullptr;
};

TEST_F(StereoEffectTypes, CheckInputType) {
    constexpr int32_t kUnchanged = 99;
    struct Case {
        const char* what;
        std::function<CMediaType()> type;
        bool rgbMode;
        HRESULT hr;
        int32_t subtype;  // g_nVideoSubtype afterwards
    } cases[] = {
        {"RGB24", [] { return Rgb24(320, 240); }, false, S_OK, 1},
        {"RGB24 in RGB mode", [] { return Rgb24(320, 240); }, true, S_OK, 1},
        {"top-down RGB24", [] { return Rgb24(320, -240); }, false, S_OK, 1},
        {"YUY2", [] { return Yuy2(320, 240); }, false, S_OK, 2},
        {"YUY2 in RGB mode", [] { return Yuy2(320, 240); }, true, E_FAIL, kUnchanged},
        {"RGB24 VIDEOINFOHEADER2", [] { return Rgb24(320, 240, FORMAT_VideoInfo2); }, true, S_OK, 1},
        {"YUY2 VIDEOINFOHEADER2", [] { return Yuy2(320, 240, FORMAT_VideoInfo2); }, false, S_OK, 2},
        {"RGB32", [] { return VideoType(MEDIASUBTYPE_RGB32, 32, 320, 240); }, false, E_FAIL, kUnchanged},
        {"RGB24 subtype, 32 bits",
         [] {
             CMediaType mt = Rgb24(320, 240);
             Bmi(mt)->biBitCount = 32;
             return mt;
         },
         false, E_FAIL, kUnchanged},
        {"YUY2 subtype, 24 bits",
         [] {
             CMediaType mt = Yuy2(320, 240);
             Bmi(mt)->biBitCount = 24;
             return mt;
         },
         false, E_FAIL, kUnchanged},
        {"audio major type",
         [] {
             CMediaType mt = Rgb24(320, 240);
             mt.SetType(&MEDIATYPE_Audio);
             return mt;
         },
         false, E_FAIL, kUnchanged},
        // The format type is judged before any subtype: E_INVALIDARG even
        // where the subtype alone would give E_FAIL.
        {"foreign format type",
         [] {
             CMediaType mt = Rgb24(320, 240);
             mt.SetFormatType(&FORMAT_WaveFormatEx);
             return mt;
         },
         false, E_INVALIDARG, kUnchanged},
        {"foreign format type, YUY2 in RGB mode",
         [] {
             CMediaType mt = Yuy2(320, 240);
             mt.SetFormatType(&FORMAT_None);
             return mt;
         },
         true, E_INVALIDARG, kUnchanged},
        {"VIDEOINFOHEADER one byte short",
         [] {
             CMediaType mt = Rgb24(320, 240);
             mt.ReallocFormatBuffer(sizeof(VIDEOINFOHEADER) - 1);
             return mt;
         },
         false, E_INVALIDARG, kUnchanged},
        {"VideoInfo2 with a VIDEOINFOHEADER block",
         [] {
             CMediaType mt = Rgb24(320, 240);
             mt.SetFormatType(&FORMAT_VideoInfo2);
             return mt;
         },
         false, E_INVALIDARG, kUnchanged},
        {"no format block",
         [] {
             CMediaType mt = Rgb24(320, 240);
             mt.ResetFormatBuffer();
             return mt;
         },
         false, E_INVALIDARG, kUnchanged},
        {"zero width", [] { return Rgb24(0, 240); }, false, E_FAIL, kUnchanged},
        {"zero height", [] { return Rgb24(320, 0); }, false, E_FAIL, kUnchanged},
        {"absurd size", [] { return Rgb24(0x40000000, 240); }, false, E_FAIL, kUnchanged},
    };
    for (const Case& c : cases) {
        g_bRgbMode = c.rgbMode ? 1 : 0;
        g_nVideoSubtype = kUnchanged;
        const CMediaType mt = c.type();
        EXPECT_EQ(filter_->CheckInputType(&mt), c.hr) << c.what;
        EXPECT_EQ(g_nVideoSubtype.load(), c.subtype) << c.what;
    }
}

TEST_F(StereoEffectTypes, CheckTransformLooksAtTheOutputTypeOnly) {
    const CMediaType audio(&MEDIATYPE_Audio);
    struct Case {
        const char* what;
        CMediaType out;
        HRESULT hr;
    } cases[] = {
        {"RGB24", Rgb24(640, 240), S_OK},
        {"YUY2", Yuy2(640, 240), S_OK},
        {"RGB24 VIDEOINFOHEADER2", Rgb24(640, 240, FORMAT_VideoInfo2), S_OK},
        {"RGB32", VideoType(MEDIASUBTYPE_RGB32, 32, 640, 240), E_FAIL},
        {"audio", audio, E_FAIL},
    };
    for (const Case& c : cases) {
        for (bool rgbMode : {false, true}) {
            g_bRgbMode = rgbMode ? 1 : 0;
            // An input that matches nothing: it is not consulted.
            EXPECT_EQ(filter_->CheckTransform(&audio, &c.out), c.hr) << c.what << (rgbMode ? " in RGB mode" : "");
        }
    }
}

TEST_F(StereoEffectTypes, OutputTypeAndBufferNeedAConnectedInput) {
    CMediaType mt;
    for (int position : {-1, 0, 1}) EXPECT_EQ(filter_->GetMediaType(position, &mt), E_UNEXPECTED) << position;
    AllocatorRef a = CommittedAllocator(1, 16);
    a->Decommit();
    ALLOCATOR_PROPERTIES props{};
    EXPECT_EQ(filter_->DecideBufferSize(a.get(), &props), E_UNEXPECTED);
}

// ======================================================= connected by hand

// source -> effect filter -> capture renderer, connected pin to pin with no
// graph around them.
class StereoEffectChain : public testing::Test {
protected:
    void SetUp() override { objectsBefore_ = CBaseObject::ObjectsActive(); }

    void TearDown() override {
        ReleaseAll();
        EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore_) << "pins, allocators, samples";
    }

    void ReleaseAll() {
        for (IBaseFilter* f : Filters()) f->Stop();
        for (CBaseFilter* f : {static_cast<CBaseFilter*>(source_), static_cast<CBaseFilter*>(effect_),
                               static_cast<CBaseFilter*>(capture_)})
            if (f)
                for (int i = 0; i < f->GetPinCount(); ++i) f->GetPin(i)->Disconnect();
        for (IBaseFilter* f : Filters()) EXPECT_EQ(f->Release(), 0u);
        source_ = nullptr;
        effect_ = nullptr;
        capture_ = nullptr;
    }

    std::vector<IBaseFilter*> Filters() {
        std::vector<IBaseFilter*> all;
        if (source_) all.push_back(source_);
        if (effect_) all.push_back(static_cast<IBaseFilter*>(effect_));
        if (capture_) all.push_back(capture_);
        return all;
    }

    // The source offering `input` connected to the filter; with `output`,
    // the filter's output to the capture renderer as well.
    void Connect(const CMediaType& input, bool output = true) {
        HRESULT hr = S_OK;
        source_ = new TypeSource(input);
        effect_ = new CStereoEffectFilter;
        capture_ = new CaptureRenderer(&hr);
        ASSERT_EQ(hr, S_OK);
        for (IBaseFilter* f : Filters()) f->AddRef();
        hr = source_->GetPin(0)->Connect(effect_->GetPin(0), nullptr);
        ASSERT_EQ(hr, S_OK) << Hex(hr);
        if (!output) return;
        hr = effect_->GetPin(1)->Connect(capture_->GetPin(0), nullptr);
        ASSERT_EQ(hr, S_OK) << Hex(hr);
    }

    const CMediaType& OutputType() { return effect_->OutputPin()->CurrentMediaType(); }

    SharedCodes codes_;
    LONG objectsBefore_ = 0;
    TypeSource* source_ = nullptr;
    CStereoEffectFilter* effect_ = nullptr;
    CaptureRenderer* capture_ = nullptr;
};

TEST_F(StereoEffectChain, A720x480Rgb24InputGivesA1440x480OutputAndOneBufferWithHeadroom) {
    ASSERT_NO_FATAL_FAILURE(Connect(Rgb24(720, 480)));

    CMediaType mt;
    EXPECT_EQ(effect_->GetMediaType(-1, &mt), E_INVALIDARG);
    EXPECT_EQ(effect_->GetMediaType(1, &mt), VFW_S_NO_MORE_ITEMS);

    const CMediaType& out = OutputType();
    EXPECT_EQ(out.majortype, MEDIATYPE_Video);
    EXPECT_EQ(out.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(out.formattype, FORMAT_VideoInfo);
    EXPECT_TRUE(out.IsFixedSize());
    EXPECT_FALSE(out.IsTemporalCompressed());
    EXPECT_EQ(out.GetSampleSize(), 2073600u);
    ASSERT_EQ(out.cbFormat, sizeof(VIDEOINFO));
    const auto* vi = reinterpret_cast<const VIDEOINFO*>(out.pbFormat);
    EXPECT_EQ(vi->bmiHeader.biWidth, 1440);
    EXPECT_EQ(vi->bmiHeader.biHeight, 480);
    EXPECT_EQ(vi->bmiHeader.biBitCount, 24);
    EXPECT_EQ(vi->bmiHeader.biPlanes, 1);
    EXPECT_EQ(vi->bmiHeader.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(vi->bmiHeader.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(vi->bmiHeader.biSizeImage, 2073600u);
    EXPECT_EQ(vi->AvgTimePerFrame, kFrameTime);
    EXPECT_EQ(vi->dwBitRate, 1234567u);
    EXPECT_EQ(vi->dwBitErrorRate, 7u);
    EXPECT_TRUE(IsRectEmpty(&vi->rcSource));
    EXPECT_TRUE(IsRectEmpty(&vi->rcTarget));
    EXPECT_EQ(g_nOutputWidth.load(), 1440);
    EXPECT_EQ(g_nOutputHeight.load(), 480);
    EXPECT_EQ(g_nOutputImageSize.load(), 2073600);
    EXPECT_EQ(g_nVideoSubtype.load(), 1);

    ALLOCATOR_PROPERTIES props{};
    ASSERT_NE(effect_->OutputPin()->Allocator(), nullptr);
    ASSERT_EQ(effect_->OutputPin()->Allocator()->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 1);
    EXPECT_EQ(props.cbBuffer, 2488320);
    EXPECT_EQ(capture_->InputPin()->Allocator(), effect_->OutputPin()->Allocator());
}

TEST_F(StereoEffectChain, OutputTypesForOtherInputs) {
    struct Case {
        const char* what;
        CMediaType input;
        GUID subtype;
        LONG width;
        LONG height;
        WORD bits;
        DWORD image;
        int32_t code;
    } cases[] = {
        // 318 pixels of 3 bytes: rows padded from 954 to 956 bytes.
        {"RGB24 159 wide", Rgb24(159, 240), MEDIASUBTYPE_RGB24, 318, 240, 24, 956 * 240, 1},
        {"top-down RGB24", Rgb24(320, -240), MEDIASUBTYPE_RGB24, 640, -240, 24, 1920 * 240, 1},
        {"YUY2", Yuy2(360, 288), MEDIASUBTYPE_YUY2, 720, 288, 16, 1440 * 288, 2},
        {"YUY2 VIDEOINFOHEADER2", Yuy2(320, 240, FORMAT_VideoInfo2), MEDIASUBTYPE_YUY2, 640, 240, 16, 1280 * 240, 2},
        {"RGB24 VIDEOINFOHEADER2", Rgb24(318, 240, FORMAT_VideoInfo2), MEDIASUBTYPE_RGB24, 636, 240, 24, 1908 * 240, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(Connect(c.input, false));
        g_nVideoSubtype = 0;
        CMediaType out;
        ASSERT_EQ(effect_->GetMediaType(0, &out), S_OK);
        EXPECT_EQ(out.subtype, c.subtype);
        EXPECT_EQ(out.formattype, FORMAT_VideoInfo);
        EXPECT_EQ(out.GetSampleSize(), c.image);
        const auto* vi = reinterpret_cast<const VIDEOINFO*>(out.pbFormat);
        EXPECT_EQ(vi->bmiHeader.biWidth, c.width);
        EXPECT_EQ(vi->bmiHeader.biHeight, c.height);
        EXPECT_EQ(vi->bmiHeader.biBitCount, c.bits);
        EXPECT_EQ(vi->bmiHeader.biSizeImage, c.image);
        EXPECT_EQ(vi->AvgTimePerFrame, kFrameTime) << "from either header kind";
        EXPECT_EQ(vi->dwBitRate, 1234567u);
        EXPECT_EQ(g_nOutputWidth.load(), c.width);
        EXPECT_EQ(g_nOutputHeight.load(), c.height);
        EXPECT_EQ(g_nOutputImageSize.load(), static_cast<int32_t>(c.image));
        EXPECT_EQ(g_nVideoSubtype.load(), c.code);
        ReleaseAll();
    }
}

// An allocator that reports less than it was asked for.
class StingyAllocator : public CMemAllocator {
public:
    StingyAllocator(LONG fewerBuffers, LONG fewerBytes, HRESULT* phr)
        : CMemAllocator(NAME("Stingy allocator"), nullptr, phr),
          m_fewerBuffers(fewerBuffers),
          m_fewerBytes(fewerBytes) {}
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override {
        const HRESULT hr = CMemAllocator::SetProperties(request, actual);
        actual->cBuffers -= m_fewerBuffers;
        actual->cbBuffer -= m_fewerBytes;
        return hr;
    }

private:
    const LONG m_fewerBuffers;
    const LONG m_fewerBytes;
};

TEST_F(StereoEffectChain, DecideBufferSizeRefusesWhatTheAllocatorCannotGive) {
    ASSERT_NO_FATAL_FAILURE(Connect(Rgb24(720, 480), false));
    CMediaType out;
    ASSERT_EQ(effect_->GetMediaType(0, &out), S_OK);
    struct Case {
        const char* what;
        LONG fewerBuffers;
        LONG fewerBytes;
        bool committed;
        HRESULT hr;
    } cases[] = {
        {"as asked", 0, 0, false, S_OK},
        {"a byte short", 0, 1, false, E_FAIL},
        {"no buffer", 1, 0, false, E_FAIL},
        {"already committed", 0, 0, true, VFW_E_ALREADY_COMMITTED},
    };
    for (const Case& c : cases) {
        HRESULT hr = S_OK;
        auto* a = new StingyAllocator(c.fewerBuffers, c.fewerBytes, &hr);
        a->AddRef();
        if (c.committed) {
            ALLOCATOR_PROPERTIES want{1, 64, 1, 0};
            ALLOCATOR_PROPERTIES got{};
            ASSERT_EQ(a->SetProperties(&want, &got), S_OK);
            ASSERT_EQ(a->Commit(), S_OK);
        }
        ALLOCATOR_PROPERTIES props{0, 0, 1, 0};
        EXPECT_EQ(effect_->DecideBufferSize(a, &props), c.hr) << c.what;
        EXPECT_EQ(props.cBuffers, 1) << c.what;
        EXPECT_EQ(props.cbBuffer, 2488320) << c.what;
        a->Decommit();
        a->Release();
    }
}

// The buffer request is 12/10 of the output frame in a LONG: a frame is
// either refused or gets its whole buffer, never a wrapped-around one.
TEST_F(StereoEffectChain, HugeFramesAreRefusedOrGetTheirWholeBuffer) {
    struct Case {
        const char* what;
        CMediaType input;
        bool accepted;
        LONG request;
    } cases[] = {
        // 2 * 8192 * 3 * 3640 = 178913280 bytes out.
        {"largest accepted", Rgb24(8192, 3640), true, 214695936},
        {"402653184 bytes out", Rgb24(16384, 4096), false, 0},
        {"YUY2, 536870912 bytes out", Yuy2(16384, 8192), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            CStereoEffectFilter probe;
            ASSERT_EQ(probe.CheckInputType(&c.input), c.accepted ? S_OK : E_FAIL);
        }
        if (!c.accepted) continue;
        ASSERT_NO_FATAL_FAILURE(Connect(c.input, false));
        CMediaType out;
        ASSERT_EQ(effect_->GetMediaType(0, &out), S_OK);
        HRESULT hr = S_OK;
        auto* a = new CMemAllocator(NAME("Unused allocator"), nullptr, &hr);
        a->AddRef();
        ALLOCATOR_PROPERTIES props{0, 0, 1, 0};
        EXPECT_EQ(effect_->DecideBufferSize(a, &props), S_OK);
        EXPECT_EQ(props.cbBuffer, c.request);
        a->Release();
        ReleaseAll();
    }
}

// ====================================================== Transform by hand

class StereoEffectTransform : public StereoEffectChain {
protected:
    static constexpr LONG kW = 720, kH = 480;
    static constexpr LONG kInBytes = kW * 3 * kH;
    static constexpr LONG kOutBytes = 2 * kInBytes;
    static constexpr LONG kBuffer = 12 * kOutBytes / 10;
    static constexpr BYTE kUntouched = 0xCD;

    void SetUp() override {
        StereoEffectChain::SetUp();
        ASSERT_NO_FATAL_FAILURE(Connect(Rgb24(kW, kH)));
        in_ = CommittedAllocator(2, kInBytes);
        out_ = CommittedAllocator(2, kBuffer);
        source_bytes_ = Pattern(kInBytes, 1);
        Select({1, 0, false});
        g_bRecheckOutputFormat = 0;
    }
    void TearDown() override {
        in_.reset();
        out_.reset();
        StereoEffectChain::TearDown();
    }

    SampleRef Input(const std::vector<BYTE>& bytes) {
        SampleRef s = Sample(in_.get());
        std::memcpy(Bytes(s.get()), bytes.data(), bytes.size());
        s->SetActualDataLength(static_cast<LONG>(bytes.size()));
        return s;
    }
    SampleRef Output() {
        SampleRef s = Sample(out_.get());
        std::memset(Bytes(s.get()), kUntouched, kBuffer);
        return s;
    }
    bool Untouched(IMediaSample* s) {
        const BYTE* p = Bytes(s);
        for (LONG k = 0; k < kBuffer; ++k)
            if (p[k] != kUntouched) return false;
        return true;
    }

    Geometry Geom() { return GeometryOf(Rgb24(kW, kH)); }

    AllocatorRef in_;
    AllocatorRef out_;
    std::vector<BYTE> source_bytes_;
};

TEST_F(StereoEffectTransform, AnAttachedWiderFormatBecomesTheRowLengthOfLaterFrames) {
    constexpr LONG kWide = 1536;
    constexpr ptrdiff_t kWideStride = kWide * 3;
    g_bRecheckOutputFormat = 1;

    // The first output sample after the build carries the renderer's format.
    SampleRef first = Output();
    CMediaType wide = Rgb24(kWide, kH);
    ASSERT_EQ(first->SetMediaType(&wide), S_OK);
    SampleRef in = Input(source_bytes_);
    ASSERT_EQ(effect_->Transform(in.get(), first.get()), S_OK);
    EXPECT_EQ(g_bRecheckOutputFormat.load(), 0);
    EXPECT_EQ(g_nOutputWidth.load(), kWide);
    EXPECT_EQ(g_nOutputHeight.load(), kH);
    EXPECT_EQ(BmiOf(OutputType()).biWidth, kWide) << "the output pin's format follows";
    EXPECT_EQ(first->GetActualDataLength(), kWideStride * kH);
    const Geometry g = Geom();
    const std::vector<BYTE> want = Composed(source_bytes_, g, {1, 0, false}, kWideStride, kWide, kBuffer, kUntouched);
    EXPECT_EQ(std::memcmp(Bytes(first.get()), want.data(), kBuffer), 0);
    first.reset();

    // A later frame, in a sample with no type, keeps the wide rows; so does
    // another display mode.
    for (const Combo& c : {Combo{1, 0, false}, Combo{5, 2, true}}) {
        Select(c);
        const std::vector<BYTE> src = Pattern(kInBytes, 2 + c.mode);
        SampleRef later = Output();
        SampleRef in2 = Input(src);
        ASSERT_EQ(effect_->Transform(in2.get(), later.get()), S_OK) << Describe(c);
        EXPECT_EQ(later->GetActualDataLength(), kWideStride * kH) << Describe(c);
        const std::vector<BYTE> want2 = Composed(src, g, c, kWideStride, kWide, kBuffer, kUntouched);
        EXPECT_EQ(std::memcmp(Bytes(later.get()), want2.data(), kBuffer), 0) << Describe(c);
    }
}

TEST_F(StereoEffectTransform, TheRecheckFlagIsClearedWithoutAnAttachedFormat) {
    g_bRecheckOutputFormat = 1;
    SampleRef out = Output();
    SampleRef in = Input(source_bytes_);
    ASSERT_EQ(effect_->Transform(in.get(), out.get()), S_OK);
    EXPECT_EQ(g_bRecheckOutputFormat.load(), 0);
    EXPECT_EQ(g_nOutputWidth.load(), 2 * kW);
    EXPECT_EQ(BmiOf(OutputType()).biWidth, 2 * kW);
    const std::vector<BYTE> want =
        Composed(source_bytes_, Geom(), {1, 0, false}, 2 * kW * 3, 2 * kW, kBuffer, kUntouched);
    EXPECT_EQ(std::memcmp(Bytes(out.get()), want.data(), kBuffer), 0);
}

TEST_F(StereoEffectTransform, SamplePropertiesAreCopiedAndTheLengthIsTheOutputImage) {
    struct Case {
        const char* what;
        bool timed;
        BOOL flags;  // sync point, preroll, discontinuity of the input
    } cases[] = {{"timed, flags set", true, TRUE}, {"untimed, flags clear", false, FALSE}};
    for (const Case& c : cases) {
        SampleRef in = Input(source_bytes_);
        SampleRef out = Output();
        if (c.timed) {
            REFERENCE_TIME start = 4000000, end = 4400000;
            LONGLONG mediaStart = 10, mediaEnd = 11;
            in->SetTime(&start, &end);
            in->SetMediaTime(&mediaStart, &mediaEnd);
        }
        in->SetSyncPoint(c.flags);
        in->SetPreroll(c.flags);
        in->SetDiscontinuity(c.flags);
        // The output starts with the opposite flags: each is set, not or'ed.
        out->SetSyncPoint(!c.flags);
        out->SetPreroll(!c.flags);
        out->SetDiscontinuity(!c.flags);

        ASSERT_EQ(effect_->Transform(in.get(), out.get()), S_OK) << c.what;
        REFERENCE_TIME start = 0, end = 0;
        LONGLONG mediaStart = 0, mediaEnd = 0;
        if (c.timed) {
            ASSERT_EQ(out->GetTime(&start, &end), S_OK) << c.what;
            EXPECT_EQ(start, 4000000);
            EXPECT_EQ(end, 4400000);
            ASSERT_EQ(out->GetMediaTime(&mediaStart, &mediaEnd), S_OK) << c.what;
            EXPECT_EQ(mediaStart, 10);
            EXPECT_EQ(mediaEnd, 11);
        } else {
            EXPECT_EQ(out->GetTime(&start, &end), VFW_E_SAMPLE_TIME_NOT_SET) << c.what;
            EXPECT_EQ(out->GetMediaTime(&mediaStart, &mediaEnd), VFW_E_MEDIA_TIME_NOT_SET) << c.what;
        }
        const HRESULT flag = c.flags ? S_OK : S_FALSE;
        EXPECT_EQ(out->IsSyncPoint(), flag) << c.what;
        EXPECT_EQ(out->IsPreroll(), flag) << c.what;
        EXPECT_EQ(out->IsDiscontinuity(), flag) << c.what;
        // The whole composed frame, twice the source's length.
        EXPECT_EQ(out->GetActualDataLength(), kOutBytes) << c.what;
    }
}

TEST_F(StereoEffectTransform, AFlagQueryThatIsNeitherYesNorNoFailsTheFrame) {
    struct Case {
        const char* what;
        HRESULT FlagSample::*flag;
        HRESULT answer;
    } cases[] = {
        {"IsSyncPoint E_FAIL", &FlagSample::sync, E_FAIL},
        {"IsSyncPoint 2", &FlagSample::sync, static_cast<HRESULT>(2)},
        {"IsPreroll E_NOTIMPL", &FlagSample::preroll, E_NOTIMPL},
        {"IsDiscontinuity E_POINTER", &FlagSample::discontinuity, E_POINTER},
    };
    for (const Case& c : cases) {
        SampleRef real = Input(source_bytes_);
        FlagSample in(real.get());
        in.*c.flag = c.answer;
        SampleRef out = Output();
        EXPECT_EQ(effect_->Transform(&in, out.get()), E_UNEXPECTED) << c.what;
        EXPECT_EQ(effect_->CopySampleProperties(&in, out.get(), kOutBytes), E_UNEXPECTED) << c.what;
    }
}

TEST_F(StereoEffectTransform, NoFrameForModesWithoutACompositorOrAShortSample) {
    struct Case {
        const char* what;
        int32_t mode;
        LONG inputLength;
        HRESULT hr;
    } cases[] = {
        {"mode 8", 8, kInBytes, S_FALSE},
        {"mode 9", 9, kInBytes, S_FALSE},
        {"mode 14", 14, kInBytes, S_FALSE},
        {"mode -1", -1, kInBytes, S_FALSE},
        {"one byte short", 1, kInBytes - 1, S_FALSE},
        {"one row short", 0, kInBytes - kW * 3, S_FALSE},
        {"empty", 1, 0, S_FALSE},
        {"whole", 1, kInBytes, S_OK},
    };
    for (const Case& c : cases) {
        g_nDisplayMode = c.mode;
        SampleRef in = Input(source_bytes_);
        ASSERT_EQ(in->SetActualDataLength(c.inputLength), S_OK);
        SampleRef out = Output();
        out->SetActualDataLength(123);
        EXPECT_EQ(effect_->Transform(in.get(), out.get()), c.hr) << c.what;
        if (c.hr == S_OK) continue;
        EXPECT_TRUE(Untouched(out.get())) << c.what;
        EXPECT_EQ(out->GetActualDataLength(), 123) << c.what;
    }
}

// Random pictures, rows padded (318 RGB pixels) or read through a
// VIDEOINFOHEADER2: for every combination the filter writes exactly what the
// compositors write into a buffer of its size, and nothing else.
TEST_F(StereoEffectChain, EveryCombinationWritesTheCompositionAndNothingElse) {
    constexpr BYTE kUntouched = 0xCD;
    for (const CMediaType& input : {Rgb24(318, 240), Yuy2(322, 240, FORMAT_VideoInfo2)}) {
        SCOPED_TRACE(input.subtype == MEDIASUBTYPE_YUY2 ? "YUY2" : "RGB24");
        ASSERT_NO_FATAL_FAILURE(Connect(input));
        const Geometry g = GeometryOf(input);
        AllocatorRef in = CommittedAllocator(1, g.srcBytes);
        AllocatorRef out = CommittedAllocator(1, OutputBufferRequest(g.outBytes));
        for (const Combo& c : AllCombos()) {
            Select(c);
            const std::vector<BYTE> src = Pattern(static_cast<size_t>(g.srcBytes), c.mode * 16 + c.layout * 2 + c.swap);
            SampleRef inSample = Sample(in.get());
            std::memcpy(Bytes(inSample.get()), src.data(), src.size());
            SampleRef outSample = Sample(out.get());
            const size_t outSize = static_cast<size_t>(outSample->GetSize());
            std::memset(Bytes(outSample.get()), kUntouched, outSize);

            ASSERT_EQ(effect_->Transform(inSample.get(), outSample.get()), S_OK) << Describe(c);
            EXPECT_EQ(outSample->GetActualDataLength(), g.outBytes) << Describe(c);
            const std::vector<BYTE> want = Composed(src, g, c, g.dstStride, 2 * g.width, outSize, kUntouched);
            ASSERT_EQ(std::memcmp(Bytes(outSample.get()), want.data(), outSize), 0) << Describe(c);
        }
        in.reset();
        out.reset();
        ReleaseAll();
    }
}

// ============================================================ the movies

struct Movie {
    const char* name;
    const wchar_t* path;
    int32_t width;
    bool rgbMode;
    PixelFormatCode arrivesAs;
};

void PrintTo(const Movie& m, std::ostream* os) { *os << m.name; }

const Movie kMovies[] = {
    {"Rgb24Avi", L"" DUOSCOPE_TEST_MOVIE_RGB24_AVI, 320, false, PixelFormatCode::Rgb24},
    {"Rgb24OddWidthAvi", L"" DUOSCOPE_TEST_MOVIE_RGB24_ODD_AVI, 318, false, PixelFormatCode::Rgb24},
    {"Yuy2Avi", L"" DUOSCOPE_TEST_MOVIE_YUY2_AVI, 320, false, PixelFormatCode::Yuy2},
    {"Yuy2AviInRgbMode", L"" DUOSCOPE_TEST_MOVIE_YUY2_AVI, 320, true, PixelFormatCode::Rgb24},
    {"Mp4", L"" DUOSCOPE_TEST_MOVIE_MP4, 320, false, PixelFormatCode::Yuy2},
};

// A graph over one movie file, run with no clock so that frames pass as
// fast as they are decoded.
class MovieGraph {
public:
    explicit MovieGraph(testing::AssertionResult* ok) {
        IGraphBuilder* graph = nullptr;
        const HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                            reinterpret_cast<void**>(&graph));
        if (FAILED(hr)) {
            *ok = testing::AssertionFailure() << "CoCreateInstance " << Hex(hr);
            return;
        }
        graph_.reset(graph);
        control_ = Query<IMediaControl>(graph, IID_IMediaControl);
        events_ = Query<IMediaEventEx>(graph, IID_IMediaEventEx);
        seeking_ = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
        *ok = control_ && events_ && seeking_ ? testing::AssertionSuccess()
                                              : testing::AssertionFailure() << "graph interfaces";
    }
    ~MovieGraph() {
        if (control_) control_->Stop();
    }

    IGraphBuilder* Graph() { return graph_.get(); }

    testing::AssertionResult Render(const wchar_t* path) {
        HRESULT hr = testsupport::RenderFileKeepingX87(graph_.get(), path);
        if (FAILED(hr)) return testing::AssertionFailure() << "RenderFile " << Hex(hr);
        ComRef<IMediaFilter> filter = Query<IMediaFilter>(graph_.get(), IID_IMediaFilter);
        hr = filter ? filter->SetSyncSource(nullptr) : E_NOINTERFACE;
        if (FAILED(hr)) return testing::AssertionFailure() << "SetSyncSource " << Hex(hr);
        return testing::AssertionSuccess();
    }

    // From the start to EC_COMPLETE, then stopped. (Wine's WaitForCompletion
    // returns at once on a second run: take the events one by one.)
    testing::AssertionResult PlayThrough() {
        LONGLONG start = 0;
        HRESULT hr = seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        if (FAILED(hr)) return testing::AssertionFailure() << "SetPositions " << Hex(hr);
        hr = control_->Run();
        if (FAILED(hr)) return testing::AssertionFailure() << "Run " << Hex(hr);
        CompletionWait how;
        how.timeoutMs = 15000;
        how.pollMs = 50;
        how.failing = {EC_ERRORABORT, EC_USERABORT};
        testing::AssertionResult completed = WaitForComplete(events_.get(), how);
        if (!completed) return completed;
        hr = control_->Stop();
        if (FAILED(hr)) return testing::AssertionFailure() << "Stop " << Hex(hr);
        return testing::AssertionSuccess();
    }

private:
    ComRef<IGraphBuilder> graph_;
    ComRef<IMediaControl> control_;
    ComRef<IMediaEventEx> events_;
    ComRef<IMediaSeeking> seeking_;
};

// The filter at the other end of a pin's connection, or null.
ComRef<IBaseFilter> PeerFilter(IPin* pin) {
    IPin* peer = nullptr;
    if (pin->ConnectedTo(&peer) != S_OK) return nullptr;
    PIN_INFO info{};
    peer->QueryPinInfo(&info);
    peer->Release();
    return ComRef<IBaseFilter>(info.pFilter);
}

class StereoEffectMovie : public testing::TestWithParam<Movie> {
protected:
    void SetUp() override {
        objectsBefore_ = CBaseObject::ObjectsActive();
        g_bRgbMode = GetParam().rgbMode ? 1 : 0;
    }
    void TearDown() override {
        EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore_) << "every filter, pin and sample let go";
    }

    // The movie's decoded frames, with a capture renderer alone as the
    // graph's renderer; it takes what the effect filter would take.
    void CaptureRawFrames() {
        HRESULT hr = S_OK;
        auto* capture = GetParam().rgbMode ? new CaptureRenderer(&hr, {MEDIASUBTYPE_RGB24}) : new CaptureRenderer(&hr);
        static_cast<IBaseFilter*>(capture)->AddRef();
        {
            testing::AssertionResult ok = testing::AssertionSuccess();
            MovieGraph graph(&ok);
            ASSERT_TRUE(ok);
            ASSERT_EQ(graph.Graph()->AddFilter(capture, L"Renderer"), S_OK);
            ASSERT_TRUE(graph.Render(GetParam().path));
            ASSERT_TRUE(graph.PlayThrough());
        }
        raw_ = capture->Samples();
        EXPECT_EQ(static_cast<IBaseFilter*>(capture)->Release(), 0u);
        ASSERT_EQ(raw_.size(), static_cast<size_t>(DUOSCOPE_TEST_MOVIE_FRAMES));
        rawType_ = raw_[0].type;
        geometry_ = GeometryOf(rawType_);
        EXPECT_EQ(geometry_.format, GetParam().arrivesAs);
        EXPECT_EQ(geometry_.width, GetParam().width);
        ASSERT_EQ(geometry_.height, DUOSCOPE_TEST_MOVIE_HEIGHT) << "bottom-up RGB, top-down YUY2";
        for (const CapturedSample& s : raw_) ASSERT_EQ(s.actualLength, geometry_.srcBytes) << "whole DIB rows";
    }

    // One run's frames, all through the filter's one output buffer.
    void ExpectFrames(const std::vector<CapturedSample>& got, const Combo& c) {
        ASSERT_EQ(got.size(), raw_.size()) << Describe(c);
        for (size_t i = 0; i < got.size(); ++i) {
            ASSERT_TRUE(MatchesComposition(got[i], raw_[i].bytes, geometry_, c, i ? &got[i - 1] : nullptr))
                << Describe(c) << ", frame " << i;
        }
    }

    SharedCodes codes_;
    ComApartment com_;
    LONG objectsBefore_ = 0;
    std::vector<CapturedSample> raw_;
    CMediaType rawType_;
    Geometry geometry_{};
};

// Built as the player builds it: the effect filter added first as
// "Renderer" and the file rendered through it. The capture renderer then
// takes the place of the platform's renderer. (Added before RenderFile it
// would take the decoder's output itself.)
TEST_P(StereoEffectMovie, PlaysThroughTheFilterInARenderedGraph) {
    ASSERT_NO_FATAL_FAILURE(CaptureRawFrames());

    HRESULT hr = S_OK;
    auto* effect = new CStereoEffectFilter;
    auto* capture = new CaptureRenderer(&hr);
    static_cast<IBaseFilter*>(effect)->AddRef();
    static_cast<IBaseFilter*>(capture)->AddRef();
    {
        testing::AssertionResult ok = testing::AssertionSuccess();
        MovieGraph graph(&ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(graph.Graph()->AddFilter(effect, L"Renderer"), S_OK);
        g_nVideoSubtype = 0;
        ASSERT_TRUE(graph.Render(GetParam().path));
        ASSERT_TRUE(effect->InputPin()->IsConnected()) << "the decoder's output goes through the filter";
        EXPECT_EQ(g_nVideoSubtype.load(), static_cast<int32_t>(GetParam().arrivesAs));
        {
            ComRef<IBaseFilter> platformRenderer = PeerFilter(effect->OutputPin());
            ASSERT_NE(platformRenderer, nullptr) << "the filter's output was rendered";
            ASSERT_EQ(graph.Graph()->RemoveFilter(platformRenderer.get()), S_OK);
        }
        ASSERT_FALSE(effect->OutputPin()->IsConnected());
        ASSERT_EQ(graph.Graph()->AddFilter(capture, L"Capture"), S_OK);
        hr = graph.Graph()->ConnectDirect(effect->OutputPin(), capture->GetPin(0), nullptr);
        ASSERT_EQ(hr, S_OK) << Hex(hr);
        g_bRecheckOutputFormat = 1;  // as after every graph build
        const CMediaType& in = effect->InputPin()->CurrentMediaType();
        EXPECT_EQ(in.subtype, rawType_.subtype) << "the same frames as the raw graph's";
        EXPECT_EQ(BmiOf(in).biWidth, geometry_.width);
        EXPECT_EQ(BmiOf(in).biHeight, geometry_.height);

        // Changing codes between runs needs no reconnection.
        for (const Combo& c : CoveringCombos()) {
            Select(c);
            capture->Clear();
            ASSERT_TRUE(graph.PlayThrough()) << Describe(c);
            EXPECT_EQ(g_bRecheckOutputFormat.load(), 0) << "cleared by the first frame";
            ASSERT_NO_FATAL_FAILURE(ExpectFrames(capture->Samples(), c));
        }
        // The presenters' modes: the file plays to its end, nothing arrives.
        for (int32_t mode : {8, 9}) {
            Select({mode, 0, false});
            capture->Clear();
            ASSERT_TRUE(graph.PlayThrough()) << "mode " << mode;
            EXPECT_EQ(capture->Count(), 0u) << "mode " << mode;
        }
    }
    EXPECT_EQ(static_cast<IBaseFilter*>(capture)->Release(), 0u);
    EXPECT_EQ(static_cast<IBaseFilter*>(effect)->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(StereoEffect, StereoEffectMovie, testing::ValuesIn(kMovies),
                         [](const testing::TestParamInfo<Movie>& info) { return std::string(info.param.name); });

// The platform's renderer asks the filter's output pin for seeking from
// the streaming thread when the end of the stream passes through, while
// Stop holds the filter's lock and waits for that thread. Stopping while
// paused on the last frame must return. A stop that hangs ends the process
// with a failure instead of waiting for the test's timeout.
DWORD WINAPI StopGraph(void* control) { return static_cast<DWORD>(static_cast<IMediaControl*>(control)->Stop()); }

TEST(StereoEffectEndOfStream, StopWhilePausedOnTheLastFrameReturns) {
    SharedCodes codes;
    ComApartment com;
    g_bRgbMode = 1;  // the classic renderer downstream, as in the main window
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        auto* effect = new CStereoEffectFilter;
        static_cast<IBaseFilter*>(effect)->AddRef();
        {
            testing::AssertionResult ok = testing::AssertionSuccess();
            MovieGraph graph(&ok);
            ASSERT_TRUE(ok);
            ASSERT_EQ(graph.Graph()->AddFilter(effect, L"Renderer"), S_OK);
            ASSERT_EQ(testsupport::RenderFileKeepingX87(graph.Graph(), L"" DUOSCOPE_TEST_MOVIE_RGB24_AVI), S_OK);
            ComRef<IMediaControl> control = Query<IMediaControl>(graph.Graph(), IID_IMediaControl);
            ComRef<IMediaPosition> position = Query<IMediaPosition>(graph.Graph(), IID_IMediaPosition);
            ASSERT_TRUE(control && position);
            ASSERT_TRUE(SUCCEEDED(control->Pause()));
            ASSERT_TRUE(SUCCEEDED(position->put_CurrentPosition(0.999)));
            OAFilterState state = State_Stopped;
            control->GetState(5000, &state);
            EXPECT_EQ(state, State_Paused);

            HANDLE stopper = CreateThread(nullptr, 0, StopGraph, control.get(), 0, nullptr);
            ASSERT_NE(stopper, nullptr);
            if (WaitForSingleObject(stopper, 20000) != WAIT_OBJECT_0) {
                ADD_FAILURE() << "Stop did not return";
                std::fflush(stdout);
                TerminateProcess(GetCurrentProcess(), 3);
            }
            DWORD stopped = 0;
            GetExitCodeThread(stopper, &stopped);
            CloseHandle(stopper);
            EXPECT_TRUE(SUCCEEDED(static_cast<HRESULT>(stopped))) << Hex(static_cast<HRESULT>(stopped));
        }
        EXPECT_EQ(static_cast<IBaseFilter*>(effect)->Release(), 0u);
    }
}

}  // namespace

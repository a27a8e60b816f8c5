// The filter framework: CMediaType and CMemAllocator on their own, pins
// connected by hand, and a real filter graph of three filters built on the
// framework (a pushing source, an inverting transform, a recording video
// renderer) run by the platform's graph manager.
#include "baseclasses/baseclasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "core/x87_control.h"
#include "com_test_support.h"

namespace {

using testsupport::ComApartment;
using testsupport::CompletionWait;
using testsupport::ComRef;
using testsupport::Hex;
using testsupport::Query;
using testsupport::RefCount;
using testsupport::WaitForComplete;

// ------------------------------------------------------------ test media

constexpr int kWidth = 8;
constexpr int kHeight = 4;
constexpr LONG kFrameBytes = kWidth * 3 * kHeight;  // rows of 24 bytes: no padding
constexpr int kFrames = 10;
constexpr REFERENCE_TIME kFrameTime = 200000;  // 20 ms

CMediaType Rgb24Type() {
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB24);
    mt.SetFormatType(&FORMAT_VideoInfo);
    mt.SetSampleSize(kFrameBytes);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    std::memset(vih, 0, sizeof(*vih));
    vih->AvgTimePerFrame = kFrameTime;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = kWidth;
    vih->bmiHeader.biHeight = kHeight;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 24;
    vih->bmiHeader.biCompression = BI_RGB;
    vih->bmiHeader.biSizeImage = kFrameBytes;
    return mt;
}

// Byte 0 of a source frame is its number; the others differ per frame.
BYTE SourceByte(int frame, int offset) {
    return offset == 0 ? static_cast<BYTE>(frame) : static_cast<BYTE>(frame * 31 + offset * 7);
}

// Filters of the test alive now (constructed minus destroyed).
std::atomic<int> g_liveFilters{0};

// {3F0E5A10-7D2B-4C61-9A55-2B6E1C0D4F01} and neighbours: test classes.
const CLSID CLSID_TestSource = {0x3f0e5a10, 0x7d2b, 0x4c61, {0x9a, 0x55, 0x2b, 0x6e, 0x1c, 0x0d, 0x4f, 0x01}};
const CLSID CLSID_TestInvert = {0x3f0e5a10, 0x7d2b, 0x4c61, {0x9a, 0x55, 0x2b, 0x6e, 0x1c, 0x0d, 0x4f, 0x02}};
const CLSID CLSID_TestRecorder = {0x3f0e5a10, 0x7d2b, 0x4c61, {0x9a, 0x55, 0x2b, 0x6e, 0x1c, 0x0d, 0x4f, 0x03}};

// ---------------------------------------------------------- test source

class TestSource;

// Offers RGB24 only; seeks by whole frames in media time.
class TestSourcePin : public CBaseOutputPin, public IMediaSeeking {
public:
    TestSourcePin(TestSource* filter, CCritSec* lock, HRESULT* phr);

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
    }

    HRESULT CheckMediaType(const CMediaType* pmt) override { return *pmt == Rgb24Type() ? S_OK : S_FALSE; }
    HRESULT GetMediaType(int position, CMediaType* pmt) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *pmt = Rgb24Type();
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        props->cBuffers = 2;
        props->cbBuffer = kFrameBytes;
        ALLOCATOR_PROPERTIES actual;
        HRESULT hr = alloc->SetProperties(props, &actual);
        if (FAILED(hr)) return hr;
        return actual.cBuffers >= 2 && actual.cbBuffer >= kFrameBytes ? S_OK : E_FAIL;
    }

    STDMETHODIMP GetCapabilities(DWORD* caps) override {
        *caps = kCaps;
        return S_OK;
    }
    STDMETHODIMP CheckCapabilities(DWORD* caps) override {
        DWORD asked = *caps;
        *caps &= kCaps;
        return *caps == asked ? S_OK : (*caps ? S_FALSE : E_FAIL);
    }
    STDMETHODIMP IsFormatSupported(const GUID* format) override {
        return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
    }
    STDMETHODIMP QueryPreferredFormat(GUID* format) override {
        *format = TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    STDMETHODIMP GetTimeFormat(GUID* format) override { return QueryPreferredFormat(format); }
    STDMETHODIMP IsUsingTimeFormat(const GUID* format) override { return IsFormatSupported(format); }
    STDMETHODIMP SetTimeFormat(const GUID* format) override {
        return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
    }
    STDMETHODIMP GetDuration(LONGLONG* duration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* stop) override { return GetDuration(stop); }
    STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                   const GUID* sourceFormat) override {
        if ((targetFormat && *targetFormat != TIME_FORMAT_MEDIA_TIME) ||
            (sourceFormat && *sourceFormat != TIME_FORMAT_MEDIA_TIME))
            return E_INVALIDARG;
        *target = source;
        return S_OK;
    }
    STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override {
        if (current) GetCurrentPosition(current);
        if (stop) GetStopPosition(stop);
        return S_OK;
    }
    STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override {
        if (earliest) *earliest = 0;
        return latest ? GetDuration(latest) : S_OK;
    }
    STDMETHODIMP SetRate(double rate) override { return rate == 1.0 ? S_OK : E_INVALIDARG; }
    STDMETHODIMP GetRate(double* rate) override {
        *rate = 1.0;
        return S_OK;
    }
    STDMETHODIMP GetPreroll(LONGLONG* preroll) override {
        *preroll = 0;
        return S_OK;
    }

private:
    static constexpr DWORD kCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                   AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetStopPos |
                                   AM_SEEKING_CanGetCurrentPos;
    TestSource* const m_source;
};

// Pushes kFrames frames from its current position on its own thread,
// starting when paused, then end of stream. A seek while streaming
// flushes downstream and starts again from the new frame.
class TestSource : public CBaseFilter {
public:
    TestSource() : CBaseFilter(NAME("Test source"), nullptr, &m_lock, CLSID_TestSource), m_pin(this, &m_lock, nullptr) {
        ++g_liveFilters;
    }
    ~TestSource() override {
        StopThread();
        --g_liveFilters;
    }

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    TestSourcePin* Pin() { return &m_pin; }

    STDMETHODIMP Pause() override {
        CAutoLock lock(&m_lock);
        const bool starting = m_State == State_Stopped;
        HRESULT hr = CBaseFilter::Pause();
        if (SUCCEEDED(hr) && starting && m_pin.IsConnected()) StartThread();
        return hr;
    }
    STDMETHODIMP Stop() override {
        CAutoLock lock(&m_lock);
        // Decommitting first ends a wait for a buffer.
        HRESULT hr = CBaseFilter::Stop();
        StopThread();
        return hr;
    }

    HRESULT Seek(int frame) {
        CAutoLock lock(&m_lock);
        m_seekCalls++;
        if (m_thread.joinable()) {
            m_pin.DeliverBeginFlush();
            StopThread();
            m_pin.DeliverEndFlush();
            m_first = frame;
            StartThread();
        } else {
            m_first = frame;
        }
        return S_OK;
    }
    int First() const { return m_first; }
    std::atomic<int> m_seekCalls{0};
    std::atomic<int> m_queries{0};

private:
    void StartThread() {
        m_stopRequested = false;
        m_thread = std::thread([this, first = m_first.load()] { Stream(first); });
    }
    void StopThread() {
        m_stopRequested = true;
        if (m_thread.joinable()) m_thread.join();
    }
    void Stream(int first) {
        m_pin.DeliverNewSegment(first * kFrameTime, kFrames * kFrameTime, 1.0);
        for (int i = first; i < kFrames; ++i) {
            if (m_stopRequested) return;
            IMediaSample* sample = nullptr;
            if (FAILED(m_pin.GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) return;
            BYTE* data = nullptr;
            sample->GetPointer(&data);
            for (int k = 0; k < kFrameBytes; ++k) data[k] = SourceByte(i, k);
            sample->SetActualDataLength(kFrameBytes);
            REFERENCE_TIME start = (i - first) * kFrameTime;
            REFERENCE_TIME end = start + kFrameTime;
            sample->SetTime(&start, &end);
            sample->SetSyncPoint(TRUE);
            sample->SetDiscontinuity(i == first);
            HRESULT hr = m_pin.Deliver(sample);
            sample->Release();
            if (hr != S_OK) return;
        }
        m_pin.DeliverEndOfStream();
    }

    CCritSec m_lock;
    TestSourcePin m_pin;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<int> m_first{0};
};

TestSourcePin::TestSourcePin(TestSource* filter, CCritSec* lock, HRESULT* phr)
    : CBaseOutputPin(NAME("Test source pin"), filter, lock, phr, L"Out"), m_source(filter) {}

STDMETHODIMP TestSourcePin::GetDuration(LONGLONG* duration) {
    m_source->m_queries++;
    *duration = kFrames * kFrameTime;
    return S_OK;
}

STDMETHODIMP TestSourcePin::GetCurrentPosition(LONGLONG* current) {
    *current = m_source->First() * kFrameTime;
    return S_OK;
}

STDMETHODIMP TestSourcePin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG*, DWORD) {
    if ((currentFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_AbsolutePositioning || current == nullptr)
        return S_OK;
    LONGLONG frame = *current / kFrameTime;
    return m_source->Seek(static_cast<int>(frame < 0 ? 0 : frame > kFrames ? kFrames : frame));
}

// ------------------------------------------------------- test transform

// Inverts every byte and copies the times; optionally drops odd frames.
// Persistable with nothing to store, like the stereo effect filter.
class InvertTransform : public CTransformFilter, public CPersistStream {
public:
    explicit InvertTransform(bool dropOddFrames)
        : CTransformFilter(NAME("Test inverter"), nullptr, CLSID_TestInvert),
          CPersistStream(nullptr, nullptr),
          m_dropOdd(dropOddFrames) {
        ++g_liveFilters;
    }
    ~InvertTransform() override { --g_liveFilters; }

    HRESULT CheckInputType(const CMediaType* mt) override {
        return *mt == Rgb24Type() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
        return *in == *out ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* mt) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *mt = m_pInput->CurrentMediaType();
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        props->cBuffers = 1;
        props->cbBuffer = kFrameBytes;
        ALLOCATOR_PROPERTIES actual;
        HRESULT hr = alloc->SetProperties(props, &actual);
        if (FAILED(hr)) return hr;
        return actual.cBuffers >= 1 && actual.cbBuffer >= kFrameBytes ? S_OK : E_FAIL;
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        in->GetPointer(&src);
        out->GetPointer(&dst);
        if (m_dropOdd && (src[0] & 1)) return S_FALSE;
        const LONG length = in->GetActualDataLength();
        for (LONG k = 0; k < length; ++k) dst[k] = static_cast<BYTE>(~src[k]);
        out->SetActualDataLength(length);
        REFERENCE_TIME start = 0;
        REFERENCE_TIME end = 0;
        if (in->GetTime(&start, &end) == S_OK) out->SetTime(&start, &end);
        out->SetSyncPoint(in->IsSyncPoint() == S_OK);
        return S_OK;
    }

private:
    const bool m_dropOdd;
};

// -------------------------------------------------------- test renderer

struct RenderedFrame {
    int frame;  // from byte 0, inverted back
    REFERENCE_TIME start;
    REFERENCE_TIME end;
    bool pixelsInverted;             // every byte is the inverse of the source's
    REFERENCE_TIME renderedAt = -1;  // stream time when rendered (no clock: -1)
};

RenderedFrame Describe(IMediaSample* sample) {
    RenderedFrame f{};
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    f.frame = static_cast<BYTE>(~data[0]);
    if (sample->GetTime(&f.start, &f.end) != S_OK) f.start = f.end = -1;
    f.pixelsInverted = sample->GetActualDataLength() == kFrameBytes;
    for (int k = 0; k < kFrameBytes && f.pixelsInverted; ++k)
        f.pixelsInverted = data[k] == static_cast<BYTE>(~SourceByte(f.frame, k));
    return f;
}

class RecordingRenderer : public CBaseVideoRenderer {
public:
    explicit RecordingRenderer(HRESULT* phr)
        : CBaseVideoRenderer(CLSID_TestRecorder, NAME("Test recorder"), nullptr, phr) {
        ++g_liveFilters;
    }
    ~RecordingRenderer() override { --g_liveFilters; }

    HRESULT CheckMediaType(const CMediaType* mt) override { return *mt == Rgb24Type() ? S_OK : S_FALSE; }
    HRESULT DoRenderSample(IMediaSample* sample) override {
        RenderedFrame f = Describe(sample);
        if (FAILED(StreamTime(f.renderedAt))) f.renderedAt = -1;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_rendered.push_back(f);
        return S_OK;
    }
    void OnReceiveFirstSample(IMediaSample* sample) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stills.push_back(Describe(sample));
    }

    std::vector<RenderedFrame> Rendered() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_rendered;
    }
    std::vector<RenderedFrame> Stills() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stills;
    }
    REFERENCE_TIME SegmentStart() { return InputPin()->CurrentStartTime(); }

private:
    std::mutex m_mutex;
    std::vector<RenderedFrame> m_rendered;
    std::vector<RenderedFrame> m_stills;
};

// An input pin that, like the platform's own renderers, has no allocator
// to offer: the output pin upstream must make one.
class NoAllocatorPin : public CRendererInputPin {
public:
    NoAllocatorPin(CBaseRenderer* renderer, HRESULT* phr) : CRendererInputPin(renderer, phr, L"In") {}
    STDMETHODIMP GetAllocator(IMemAllocator** alloc) override {
        *alloc = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
};

// Holds its pin by value and keeps the framework from deleting it.
class OwnPinRenderer : public RecordingRenderer {
public:
    explicit OwnPinRenderer(HRESULT* phr) : RecordingRenderer(phr), m_pin(this, phr) { m_pInputPin = &m_pin; }
    ~OwnPinRenderer() override { m_pInputPin = nullptr; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

private:
    NoAllocatorPin m_pin;
};

IPin* PinOf(CBaseFilter* filter, int n) { return filter->GetPin(n); }

std::vector<int> FrameNumbers(const std::vector<RenderedFrame>& frames) {
    std::vector<int> numbers;
    for (const RenderedFrame& f : frames) numbers.push_back(f.frame);
    return numbers;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

// ============================================================ CMediaType

// A COM object that only counts its references.
class CountingUnknown : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
};

TEST(BaseClassesMediaType, CopiesOwnTheirFormatBlock) {
    CMediaType a = Rgb24Type();
    CMediaType b(a);
    ASSERT_NE(a.Format(), nullptr);
    EXPECT_NE(a.Format(), b.Format());
    EXPECT_TRUE(a == b);

    // Changing the copy's format leaves the original alone.
    reinterpret_cast<VIDEOINFOHEADER*>(b.Format())->bmiHeader.biWidth = 16;
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(a.Format())->bmiHeader.biWidth, kWidth);
    EXPECT_TRUE(a != b);

    // Assignment replaces the block; self-assignment keeps it.
    b = a;
    EXPECT_TRUE(a == b);
    BYTE* before = b.Format();
    b = b;
    EXPECT_EQ(b.Format(), before);
    EXPECT_TRUE(a == b);
}

TEST(BaseClassesMediaType, EqualityComparesTypesAndFormatOnly) {
    const CMediaType base = Rgb24Type();
    struct Case {
        const char* what;
        void (*change)(CMediaType&);
        bool equal;
    } cases[] = {
        {"sample size", [](CMediaType& m) { m.SetSampleSize(1); }, true},
        {"temporal compression", [](CMediaType& m) { m.SetTemporalCompression(TRUE); }, true},
        {"subtype", [](CMediaType& m) { m.SetSubtype(&MEDIASUBTYPE_RGB32); }, false},
        {"major type", [](CMediaType& m) { m.SetType(&MEDIATYPE_Audio); }, false},
        {"format type", [](CMediaType& m) { m.SetFormatType(&FORMAT_VideoInfo2); }, false},
        {"format byte", [](CMediaType& m) { m.Format()[m.FormatLength() - 1] ^= 1; }, false},
        {"format length", [](CMediaType& m) { m.ReallocFormatBuffer(m.FormatLength() + 4); }, false},
        {"no format", [](CMediaType& m) { m.ResetFormatBuffer(); }, false},
    };
    for (const Case& c : cases) {
        CMediaType changed(base);
        c.change(changed);
        EXPECT_EQ(changed == base, c.equal) << c.what;
        EXPECT_EQ(base == changed, c.equal) << c.what;
    }
}

TEST(BaseClassesMediaType, FormatBufferHelpers) {
    CMediaType mt;
    BYTE* block = mt.AllocFormatBuffer(8);
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abcdefgh", 8);
    EXPECT_EQ(mt.AllocFormatBuffer(8), block) << "same length keeps the block";

    BYTE* grown = mt.ReallocFormatBuffer(12);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(mt.FormatLength(), 12u);
    EXPECT_EQ(std::memcmp(grown, "abcdefgh", 8), 0) << "realloc keeps the bytes";

    // SetFormat from our own block must copy before freeing it.
    EXPECT_TRUE(mt.SetFormat(mt.Format() + 2, 4));
    EXPECT_EQ(mt.FormatLength(), 4u);
    EXPECT_EQ(std::memcmp(mt.Format(), "cdef", 4), 0);

    mt.ResetFormatBuffer();
    EXPECT_EQ(mt.Format(), nullptr);
    EXPECT_EQ(mt.FormatLength(), 0u);
}

TEST(BaseClassesMediaType, PUnkIsCountedByEveryCopy) {
    CountingUnknown unk;
    {
        CMediaType a = Rgb24Type();
        a.pUnk = &unk;
        unk.AddRef();  // a owns one reference now
        CMediaType b(a);
        EXPECT_EQ(unk.refs, 3u);
        AM_MEDIA_TYPE* c = CreateMediaType(&a);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(unk.refs, 4u);
        EXPECT_NE(c->pbFormat, a.pbFormat);
        DeleteMediaType(c);
        EXPECT_EQ(unk.refs, 3u);

        AM_MEDIA_TYPE d;
        ASSERT_EQ(CopyMediaType(&d, &a), S_OK);
        EXPECT_EQ(unk.refs, 4u);
        FreeMediaType(d);
        EXPECT_EQ(d.pbFormat, nullptr);
        EXPECT_EQ(d.pUnk, nullptr);
        EXPECT_EQ(unk.refs, 3u);
    }
    EXPECT_EQ(unk.refs, 1u);
}

TEST(BaseClassesMediaType, MatchesPartialTypes) {
    const CMediaType full = Rgb24Type();
    CMediaType anything;
    CMediaType video(&MEDIATYPE_Video);
    CMediaType audio(&MEDIATYPE_Audio);
    CMediaType rgb32(&MEDIATYPE_Video);
    rgb32.SetSubtype(&MEDIASUBTYPE_RGB32);
    CMediaType infoOnly;
    infoOnly.SetFormatType(&FORMAT_VideoInfo);  // names a format but has no block

    EXPECT_TRUE(full.MatchesPartial(&anything));
    EXPECT_TRUE(full.MatchesPartial(&video));
    EXPECT_TRUE(full.MatchesPartial(&full));
    EXPECT_FALSE(full.MatchesPartial(&audio));
    EXPECT_FALSE(full.MatchesPartial(&rgb32));
    EXPECT_FALSE(full.MatchesPartial(&infoOnly));
    EXPECT_TRUE(anything.IsPartiallySpecified());
    EXPECT_FALSE(full.IsPartiallySpecified());
}

// ========================================================== CMemAllocator

struct AllocatorDeleter {
    void operator()(CMemAllocator* a) const { a->Release(); }
};
using AllocatorRef = std::unique_ptr<CMemAllocator, AllocatorDeleter>;

AllocatorRef NewAllocator() {
    HRESULT hr = S_OK;
    auto* a = new CMemAllocator(NAME("Test allocator"), nullptr, &hr);
    a->AddRef();
    EXPECT_EQ(hr, S_OK);
    return AllocatorRef(a);
}

AllocatorRef CommittedAllocator(LONG buffers, LONG size) {
    AllocatorRef a = NewAllocator();
    ALLOCATOR_PROPERTIES want{buffers, size, 1, 0};
    ALLOCATOR_PROPERTIES got{};
    EXPECT_EQ(a->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(a->Commit(), S_OK);
    return a;
}

TEST(BaseClassesAllocator, SetPropertiesRoundsToAlignmentAndRefusesBadOnes) {
    struct Case {
        ALLOCATOR_PROPERTIES request;
        HRESULT hr;
        LONG cbBuffer;  // actual
    } cases[] = {
        {{2, 100, 1, 0}, S_OK, 100},          {{2, 100, 16, 0}, S_OK, 112},
        {{1, 100, 16, 8}, S_OK, 104},  // prefix plus buffer fill whole units
        {{3, 64, 64, 0}, S_OK, 64},           {{1, 1, 4096, 0}, S_OK, 4096},
        {{1, 100, 0, 0}, VFW_E_BADALIGN, 0},  {{1, 100, 3, 0}, VFW_E_BADALIGN, 0},
        {{1, 100, 24, 0}, VFW_E_BADALIGN, 0}, {{1, 100, -4, 0}, VFW_E_BADALIGN, 0},
    };
    for (const Case& c : cases) {
        AllocatorRef a = NewAllocator();
        ALLOCATOR_PROPERTIES request = c.request;
        ALLOCATOR_PROPERTIES actual{};
        const std::string what = "count " + std::to_string(c.request.cBuffers) + " size " +
                                 std::to_string(c.request.cbBuffer) + " align " + std::to_string(c.request.cbAlign) +
                                 " prefix " + std::to_string(c.request.cbPrefix);
        ASSERT_EQ(a->SetProperties(&request, &actual), c.hr) << what;
        if (c.hr != S_OK) continue;
        EXPECT_EQ(actual.cBuffers, c.request.cBuffers) << what;
        EXPECT_EQ(actual.cbBuffer, c.cbBuffer) << what;
        EXPECT_EQ(actual.cbAlign, c.request.cbAlign) << what;
        EXPECT_EQ(actual.cbPrefix, c.request.cbPrefix) << what;

        // Every buffer starts (with its prefix) on the alignment, and they
        // do not overlap.
        ASSERT_EQ(a->Commit(), S_OK) << what;
        std::vector<IMediaSample*> samples;
        for (LONG i = 0; i < actual.cBuffers; ++i) {
            IMediaSample* s = nullptr;
            ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK) << what;
            samples.push_back(s);
            BYTE* p = nullptr;
            s->GetPointer(&p);
            EXPECT_EQ(s->GetSize(), actual.cbBuffer) << what;
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p - actual.cbPrefix) % actual.cbAlign, 0u) << what;
            std::memset(p - actual.cbPrefix, 0xAB, actual.cbPrefix + actual.cbBuffer);
        }
        for (IMediaSample* s : samples) s->Release();
        EXPECT_EQ(a->Decommit(), S_OK);
    }
}

TEST(BaseClassesAllocator, StateErrors) {
    AllocatorRef a = NewAllocator();
    IMediaSample* s = nullptr;
    EXPECT_EQ(a->Commit(), VFW_E_SIZENOTSET);
    EXPECT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(s, nullptr);

    ALLOCATOR_PROPERTIES want{1, 32, 1, 0};
    ALLOCATOR_PROPERTIES got{};
    ASSERT_EQ(a->SetProperties(&want, &got), S_OK);
    ASSERT_EQ(a->Commit(), S_OK);
    EXPECT_EQ(a->SetProperties(&want, &got), VFW_E_ALREADY_COMMITTED);

    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    IMediaSample* none = nullptr;
    EXPECT_EQ(a->GetBuffer(&none, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

    // Decommitted with a buffer out: no new properties until it is back.
    ASSERT_EQ(a->Decommit(), S_OK);
    EXPECT_EQ(a->SetProperties(&want, &got), VFW_E_BUFFERS_OUTSTANDING);
    s->Release();
    EXPECT_EQ(a->SetProperties(&want, &got), S_OK);
}

// GetBuffer on a thread of its own. The thread keeps the allocator alive,
// so a waiter that is never woken fails the test instead of hanging it.
std::future<std::pair<HRESULT, IMediaSample*>> GetBufferOnAThread(IMemAllocator* a) {
    auto done = std::make_shared<std::promise<std::pair<HRESULT, IMediaSample*>>>();
    auto result = done->get_future();
    a->AddRef();
    std::thread([a, done] {
        IMediaSample* s = nullptr;
        HRESULT hr = a->GetBuffer(&s, nullptr, nullptr, 0);
        done->set_value({hr, s});
        a->Release();
    }).detach();
    return result;
}

TEST(BaseClassesAllocator, GetBufferWaitsForARelease) {
    AllocatorRef a = CommittedAllocator(1, 16);
    IMediaSample* held = nullptr;
    ASSERT_EQ(a->GetBuffer(&held, nullptr, nullptr, 0), S_OK);

    auto waiter = GetBufferOnAThread(a.get());
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(150)), std::future_status::timeout);
    BYTE* heldPointer = nullptr;
    held->GetPointer(&heldPointer);
    held->Release();
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    auto [hr, s] = waiter.get();
    ASSERT_EQ(hr, S_OK);
    BYTE* p = nullptr;
    s->GetPointer(&p);
    EXPECT_EQ(p, heldPointer);
    s->Release();
}

TEST(BaseClassesAllocator, DecommitWakesAWaiterWithNotCommitted) {
    AllocatorRef a = CommittedAllocator(1, 16);
    IMediaSample* held = nullptr;
    ASSERT_EQ(a->GetBuffer(&held, nullptr, nullptr, 0), S_OK);

    auto waiter = GetBufferOnAThread(a.get());
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(150)), std::future_status::timeout);
    EXPECT_EQ(a->Decommit(), S_OK);
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    auto [hr, s] = waiter.get();
    EXPECT_EQ(hr, VFW_E_NOT_COMMITTED);
    EXPECT_EQ(s, nullptr);
    held->Release();

    // Committing again works with the same memory.
    ASSERT_EQ(a->Commit(), S_OK);
    ASSERT_EQ(a->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
    held->Release();
}

TEST(BaseClassesAllocator, OutstandingSamplesKeepTheAllocatorAlive) {
    const LONG before = CBaseObject::ObjectsActive();
    AllocatorRef a = CommittedAllocator(2, 16);
    IMediaSample* s = nullptr;
    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(RefCount(static_cast<IMemAllocator*>(a.get())), 2u) << "the sample's reference";
    a->Decommit();
    a.reset();
    EXPECT_GT(CBaseObject::ObjectsActive(), before);
    // The buffer is still usable memory until it goes back.
    BYTE* p = nullptr;
    s->GetPointer(&p);
    std::memset(p, 0, 16);
    s->Release();
    EXPECT_EQ(CBaseObject::ObjectsActive(), before);
}

TEST(BaseClassesAllocator, SampleProperties) {
    AllocatorRef a = CommittedAllocator(1, 64);
    IMediaSample* s = nullptr;
    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);

    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    EXPECT_EQ(s->GetTime(&start, &end), VFW_E_SAMPLE_TIME_NOT_SET);
    REFERENCE_TIME t0 = 100;
    REFERENCE_TIME t1 = 200;
    EXPECT_EQ(s->SetTime(&t0, nullptr), S_OK);
    EXPECT_EQ(s->GetTime(&start, &end), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, 100);
    EXPECT_EQ(end, 101);
    EXPECT_EQ(s->SetTime(&t0, &t1), S_OK);
    EXPECT_EQ(s->GetTime(&start, &end), S_OK);
    EXPECT_EQ(end, 200);

    LONGLONG m0 = 0;
    LONGLONG m1 = 0;
    EXPECT_EQ(s->GetMediaTime(&m0, &m1), VFW_E_MEDIA_TIME_NOT_SET);
    LONGLONG f0 = 5;
    LONGLONG f1 = 6;
    EXPECT_EQ(s->SetMediaTime(&f0, &f1), S_OK);
    EXPECT_EQ(s->GetMediaTime(&m0, &m1), S_OK);
    EXPECT_EQ(m1, 6);

    EXPECT_EQ(s->GetActualDataLength(), 64);
    EXPECT_EQ(s->SetActualDataLength(65), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s->SetActualDataLength(10), S_OK);

    for (auto [is, set] : {std::make_pair(&IMediaSample::IsSyncPoint, &IMediaSample::SetSyncPoint),
                           std::make_pair(&IMediaSample::IsPreroll, &IMediaSample::SetPreroll),
                           std::make_pair(&IMediaSample::IsDiscontinuity, &IMediaSample::SetDiscontinuity)}) {
        EXPECT_EQ((s->*is)(), S_FALSE);
        (s->*set)(TRUE);
        EXPECT_EQ((s->*is)(), S_OK);
    }

    AM_MEDIA_TYPE* attached = reinterpret_cast<AM_MEDIA_TYPE*>(1);
    EXPECT_EQ(s->GetMediaType(&attached), S_FALSE);
    EXPECT_EQ(attached, nullptr);
    CMediaType type = Rgb24Type();
    EXPECT_EQ(s->SetMediaType(&type), S_OK);
    ASSERT_EQ(s->GetMediaType(&attached), S_OK);
    EXPECT_TRUE(CMediaType(*attached) == type);
    EXPECT_NE(attached->pbFormat, type.pbFormat);
    DeleteMediaType(attached);

    // The same buffer comes back clean.
    s->Release();
    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(s->GetTime(&start, &end), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(s->GetMediaTime(&m0, &m1), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(s->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(s->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(s->GetActualDataLength(), 64);
    EXPECT_EQ(s->GetMediaType(&attached), S_FALSE);
    s->Release();
}

// ============================================================ pins by hand

class BaseClassesPins : public testing::Test {
protected:
    void SetUp() override {
        objectsBefore_ = CBaseObject::ObjectsActive();
        HRESULT hr = S_OK;
        source_ = new TestSource;
        transform_ = new InvertTransform(false);
        renderer_ = new RecordingRenderer(&hr);
        ASSERT_EQ(hr, S_OK);
        for (IBaseFilter* f : Filters()) f->AddRef();
    }
    void TearDown() override {
        for (IBaseFilter* f : Filters()) f->Stop();
        for (CBaseFilter* f : {static_cast<CBaseFilter*>(source_), static_cast<CBaseFilter*>(transform_),
                               static_cast<CBaseFilter*>(renderer_)})
            for (int i = 0; i < f->GetPinCount(); ++i) f->GetPin(i)->Disconnect();
        for (IBaseFilter* f : Filters()) EXPECT_EQ(f->Release(), 0u);
        EXPECT_EQ(g_liveFilters.load(), 0);
        EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore_);
    }
    std::vector<IBaseFilter*> Filters() {
        return {static_cast<IBaseFilter*>(source_), static_cast<IBaseFilter*>(transform_),
                static_cast<IBaseFilter*>(renderer_)};
    }
    void ConnectAll() {
        ASSERT_EQ(PinOf(source_, 0)->Connect(PinOf(transform_, 0), nullptr), S_OK);
        ASSERT_EQ(PinOf(transform_, 1)->Connect(PinOf(renderer_, 0), nullptr), S_OK);
    }

    LONG objectsBefore_ = 0;
    TestSource* source_ = nullptr;
    InvertTransform* transform_ = nullptr;
    RecordingRenderer* renderer_ = nullptr;
};

TEST_F(BaseClassesPins, ConnectNegotiatesTheTypeAndChoosesAllocators) {
    ASSERT_NO_FATAL_FAILURE(ConnectAll());
    for (IPin* pin : {PinOf(source_, 0), PinOf(transform_, 0), PinOf(transform_, 1), PinOf(renderer_, 0)}) {
        AM_MEDIA_TYPE mt;
        ASSERT_EQ(pin->ConnectionMediaType(&mt), S_OK);
        EXPECT_TRUE(CMediaType(mt) == Rgb24Type());
        FreeMediaType(mt);
    }
    IPin* peer = nullptr;
    ASSERT_EQ(PinOf(transform_, 1)->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, PinOf(renderer_, 0));
    peer->Release();

    // Each output pin agreed on the input pin's allocator and sized it.
    IMemAllocator* agreed = transform_->InputPin()->Allocator();
    ASSERT_NE(agreed, nullptr);
    EXPECT_EQ(agreed, source_->Pin()->Allocator());
    ALLOCATOR_PROPERTIES props{};
    agreed->GetProperties(&props);
    EXPECT_EQ(props.cBuffers, 2);
    EXPECT_EQ(props.cbBuffer, kFrameBytes);
    EXPECT_EQ(renderer_->InputPin()->Allocator(), transform_->OutputPin()->Allocator());

    EXPECT_EQ(PinOf(transform_, 0)->Connect(PinOf(source_, 0), nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST_F(BaseClassesPins, RefusedConnections) {
    // The output needs a connected input, and two inputs never connect.
    EXPECT_TRUE(FAILED(PinOf(transform_, 1)->Connect(PinOf(renderer_, 0), nullptr)));
    EXPECT_FALSE(transform_->OutputPin()->IsConnected());
    EXPECT_EQ(PinOf(transform_, 0)->Connect(PinOf(renderer_, 0), nullptr), VFW_E_INVALID_DIRECTION);

    // A fully specified type the pin does not take.
    CMediaType rgb32 = Rgb24Type();
    rgb32.SetSubtype(&MEDIASUBTYPE_RGB32);
    EXPECT_EQ(PinOf(source_, 0)->Connect(PinOf(transform_, 0), &rgb32), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(PinOf(renderer_, 0)->QueryAccept(&rgb32), S_FALSE);
    CMediaType rgb24 = Rgb24Type();
    EXPECT_EQ(PinOf(renderer_, 0)->QueryAccept(&rgb24), S_OK);
    // A partial type that rules out everything on offer.
    CMediaType audio(&MEDIATYPE_Audio);
    EXPECT_EQ(PinOf(source_, 0)->Connect(PinOf(transform_, 0), &audio), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(source_->Pin()->IsConnected());
    EXPECT_FALSE(transform_->InputPin()->IsConnected());

    // Nothing half-connected was left behind.
    ASSERT_NO_FATAL_FAILURE(ConnectAll());
}

TEST_F(BaseClassesPins, PinAndFilterInformation) {
    ComRef<IEnumPins> pins;
    IEnumPins* e = nullptr;
    ASSERT_EQ(transform_->EnumPins(&e), S_OK);
    pins.reset(e);
    IPin* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    PIN_DIRECTION dirs[2];
    for (int i = 0; i < 2; ++i) {
        got[i]->QueryDirection(&dirs[i]);
        PIN_INFO info;
        ASSERT_EQ(got[i]->QueryPinInfo(&info), S_OK);
        EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(transform_));
        info.pFilter->Release();
        IPin* found = nullptr;
        ASSERT_EQ(transform_->FindPin(info.achName, &found), S_OK);
        EXPECT_EQ(found, got[i]);
        found->Release();
        got[i]->Release();
    }
    EXPECT_EQ(dirs[0], PINDIR_INPUT);
    EXPECT_EQ(dirs[1], PINDIR_OUTPUT);
    IPin* missing = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(transform_->FindPin(L"Nope", &missing), VFW_E_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    // The source's pin enumerates its one type.
    IEnumMediaTypes* types = nullptr;
    ASSERT_EQ(PinOf(source_, 0)->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE* mts[2] = {};
    EXPECT_EQ(types->Next(2, mts, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_TRUE(CMediaType(*mts[0]) == Rgb24Type());
    DeleteMediaType(mts[0]);
    types->Release();

    // Persistence through the transform, with the filter's class.
    ComRef<IPersistStream> persist = Query<IPersistStream>(static_cast<IBaseFilter*>(transform_), IID_IPersistStream);
    ASSERT_NE(persist, nullptr);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestInvert);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ComRef<IBaseFilter> back = Query<IBaseFilter>(persist.get(), IID_IBaseFilter);
    EXPECT_EQ(back.get(), static_cast<IBaseFilter*>(transform_));
}

TEST_F(BaseClassesPins, ReceiveIsRefusedWhenStoppedAndWhileFlushing) {
    ASSERT_NO_FATAL_FAILURE(ConnectAll());
    AllocatorRef a = CommittedAllocator(1, kFrameBytes);
    IMediaSample* sample = nullptr;
    ASSERT_EQ(a->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);

    ComRef<IMemInputPin> rendererIn = Query<IMemInputPin>(PinOf(renderer_, 0), IID_IMemInputPin);
    ComRef<IMemInputPin> transformIn = Query<IMemInputPin>(PinOf(transform_, 0), IID_IMemInputPin);
    EXPECT_EQ(rendererIn->Receive(sample), VFW_E_WRONG_STATE);
    EXPECT_EQ(transformIn->Receive(sample), VFW_E_WRONG_STATE);

    // Paused and flushing: dropped without error, not passed on. (Filters
    // are paused on their own, so that no source thread runs.)
    EXPECT_EQ(transform_->Pause(), S_OK);
    ASSERT_EQ(PinOf(transform_, 0)->BeginFlush(), S_OK);
    EXPECT_EQ(transformIn->Receive(sample), S_FALSE);
    ASSERT_EQ(PinOf(transform_, 0)->EndFlush(), S_OK);
    EXPECT_EQ(transform_->Stop(), S_OK);

    EXPECT_EQ(renderer_->Pause(), S_FALSE) << "waits for a first sample";
    FILTER_STATE state;
    EXPECT_EQ(renderer_->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    ASSERT_EQ(PinOf(renderer_, 0)->BeginFlush(), S_OK);
    EXPECT_EQ(rendererIn->Receive(sample), S_FALSE);
    ASSERT_EQ(PinOf(renderer_, 0)->EndFlush(), S_OK);
    EXPECT_TRUE(renderer_->Stills().empty());

    // End of stream completes the pause.
    EXPECT_EQ(PinOf(renderer_, 0)->EndOfStream(), S_OK);
    EXPECT_EQ(renderer_->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_EQ(PinOf(renderer_, 0)->Disconnect(), VFW_E_NOT_STOPPED);
    EXPECT_EQ(renderer_->Stop(), S_OK);
    sample->Release();
}

// ======================================================== a running graph

enum class RendererKind { FrameworkPin, OwnPinWithoutAllocator };

void PrintTo(RendererKind kind, std::ostream* os) {
    *os << (kind == RendererKind::FrameworkPin ? "FrameworkPin" : "OwnPinWithoutAllocator");
}

class BaseClassesGraph : public testing::Test {
protected:
    void SetUp() override {
        objectsBefore_ = CBaseObject::ObjectsActive();
        IGraphBuilder* graph = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph)),
                  S_OK);
        graph_.reset(graph);
        control_ = Query<IMediaControl>(graph, IID_IMediaControl);
        events_ = Query<IMediaEventEx>(graph, IID_IMediaEventEx);
        seeking_ = Query<IMediaSeeking>(graph, IID_IMediaSeeking);
        ASSERT_TRUE(control_ && events_ && seeking_);
    }

    void TearDown() override {
        if (control_) control_->Stop();
        seeking_.reset();
        events_.reset();
        control_.reset();
        graph_.reset();
        for (CBaseFilter* f : Filters())
            EXPECT_EQ(static_cast<IBaseFilter*>(f)->Release(), 0u) << "the graph let go of every reference";
        EXPECT_EQ(g_liveFilters.load(), 0);
        EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore_) << "pins, allocators, samples, enumerators";
    }

    std::vector<CBaseFilter*> Filters() {
        std::vector<CBaseFilter*> all;
        for (CBaseFilter* f : {static_cast<CBaseFilter*>(source_), static_cast<CBaseFilter*>(transform_),
                               static_cast<CBaseFilter*>(renderer_)})
            if (f != nullptr) all.push_back(f);
        return all;
    }

    // source -> inverter -> recorder, each added and connected through the
    // graph; the test keeps one reference on each filter.
    void Build(bool dropOddFrames, RendererKind kind = RendererKind::OwnPinWithoutAllocator) {
        HRESULT hr = S_OK;
        source_ = new TestSource;
        transform_ = new InvertTransform(dropOddFrames);
        renderer_ = kind == RendererKind::OwnPinWithoutAllocator ? new OwnPinRenderer(&hr) : new RecordingRenderer(&hr);
        ASSERT_EQ(hr, S_OK);
        for (CBaseFilter* f : Filters()) static_cast<IBaseFilter*>(f)->AddRef();
        ASSERT_EQ(graph_->AddFilter(source_, L"Source"), S_OK);
        ASSERT_EQ(graph_->AddFilter(transform_, L"Invert"), S_OK);
        ASSERT_EQ(graph_->AddFilter(renderer_, L"Renderer"), S_OK);
        hr = graph_->ConnectDirect(PinOf(source_, 0), PinOf(transform_, 0), nullptr);
        ASSERT_EQ(hr, S_OK) << Hex(hr);
        hr = graph_->ConnectDirect(PinOf(transform_, 1), PinOf(renderer_, 0), nullptr);
        ASSERT_EQ(hr, S_OK) << Hex(hr);
    }

    // Takes events from the graph's queue up to EC_COMPLETE; the codes seen
    // before it go to *seen. (The graph's WaitForCompletion is no use for a
    // second run here: Wine's returns at once after the first.)
    void WaitForCompletion(std::vector<LONG>* seen = nullptr) {
        CompletionWait how;
        how.seen = seen;
        ASSERT_TRUE(WaitForComplete(events_.get(), how));
    }

    void ExpectPlayed(const std::vector<RenderedFrame>& frames, const std::vector<int>& numbers, int segmentFirst) {
        EXPECT_EQ(FrameNumbers(frames), numbers);
        for (const RenderedFrame& f : frames) {
            EXPECT_EQ(f.start, (f.frame - segmentFirst) * kFrameTime) << "frame " << f.frame;
            EXPECT_EQ(f.end, f.start + kFrameTime) << "frame " << f.frame;
            EXPECT_TRUE(f.pixelsInverted) << "frame " << f.frame;
        }
    }

    void PauseAndWait() {
        HRESULT hr = control_->Pause();
        ASSERT_TRUE(SUCCEEDED(hr)) << Hex(hr);
        OAFilterState state = 0;
        hr = control_->GetState(5000, &state);
        ASSERT_EQ(hr, S_OK) << Hex(hr);
        ASSERT_EQ(state, State_Paused);
    }

    ComApartment com_;
    LONG objectsBefore_ = 0;
    ComRef<IGraphBuilder> graph_;
    ComRef<IMediaControl> control_;
    ComRef<IMediaEventEx> events_;
    ComRef<IMediaSeeking> seeking_;
    TestSource* source_ = nullptr;
    InvertTransform* transform_ = nullptr;
    RecordingRenderer* renderer_ = nullptr;
};

class BaseClassesGraphRenderers : public BaseClassesGraph, public testing::WithParamInterface<RendererKind> {};

TEST_P(BaseClassesGraphRenderers, EveryFrameArrivesInOrderWithItsTimesAndTheTransform) {
    ASSERT_NO_FATAL_FAILURE(Build(false, GetParam()));
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion());
    ExpectPlayed(renderer_->Rendered(), Range(0, kFrames - 1), 0);
    // Each one waited for its time on the graph's clock (to its 1 ms).
    for (const RenderedFrame& f : renderer_->Rendered()) {
        EXPECT_NE(f.renderedAt, -1) << "the graph gave the renderer a clock";
        EXPECT_GE(f.renderedAt, f.start - 10000) << "frame " << f.frame;
    }
    EXPECT_EQ(renderer_->FramesDrawn(), kFrames);
    // With no allocator from the renderer the transform made its own;
    // either way both sides use the same one.
    EXPECT_NE(transform_->OutputPin()->Allocator(), nullptr);
    EXPECT_EQ(renderer_->InputPin()->Allocator(), transform_->OutputPin()->Allocator());
}

INSTANTIATE_TEST_SUITE_P(BaseClasses, BaseClassesGraphRenderers,
                         testing::Values(RendererKind::FrameworkPin, RendererKind::OwnPinWithoutAllocator),
                         [](const testing::TestParamInfo<RendererKind>& info) {
                             return std::string(info.param == RendererKind::FrameworkPin ? "FrameworkPin"
                                                                                         : "OwnPinWithoutAllocator");
                         });

TEST_F(BaseClassesGraph, DroppedFramesAreNotDelivered) {
    ASSERT_NO_FATAL_FAILURE(Build(true));
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    std::vector<LONG> events;
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion(&events));
    ExpectPlayed(renderer_->Rendered(), {0, 2, 4, 6, 8}, 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), EC_QUALITY_CHANGE), 1) << "once, at the first drop";
}

TEST_F(BaseClassesGraph, PauseShowsTheFirstFrameAndRunPlaysOn) {
    ASSERT_NO_FATAL_FAILURE(Build(false));
    ASSERT_NO_FATAL_FAILURE(PauseAndWait());
    // Held in the renderer: shown as a still, not rendered yet; the source
    // is blocked behind it rather than running ahead.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ExpectPlayed(renderer_->Stills(), {0}, 0);
    EXPECT_TRUE(renderer_->Rendered().empty());

    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion());
    ExpectPlayed(renderer_->Rendered(), Range(0, kFrames - 1), 0);
    EXPECT_EQ(renderer_->Stills().size(), 1u);
}

TEST_F(BaseClassesGraph, RewindAndRunAgainAfterStop) {
    ASSERT_NO_FATAL_FAILURE(Build(false));
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion());
    ASSERT_EQ(control_->Stop(), S_OK);
    OAFilterState state = 0;
    EXPECT_EQ(control_->GetState(1000, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);

    // Stopped at the end, the graph stays there: rewind as the player does.
    LONGLONG start = 0;
    ASSERT_TRUE(
        SUCCEEDED(seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning)));
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion());
    std::vector<RenderedFrame> frames = renderer_->Rendered();
    ASSERT_EQ(frames.size(), 2u * kFrames);
    ExpectPlayed(std::vector<RenderedFrame>(frames.begin() + kFrames, frames.end()), Range(0, kFrames - 1), 0);
}

TEST_F(BaseClassesGraph, StopWhileTheRendererHoldsASample) {
    // Paused, the source is blocked delivering frame 1 behind the held frame
    // 0 (and the transform's single output buffer): stopping must not hang.
    ASSERT_NO_FATAL_FAILURE(Build(false));
    ASSERT_NO_FATAL_FAILURE(PauseAndWait());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(control_->Stop(), S_OK);
    EXPECT_TRUE(renderer_->Rendered().empty());
}

TEST_F(BaseClassesGraph, SeekingReachesTheSourceAndFlushesThroughTheChain) {
    ASSERT_NO_FATAL_FAILURE(Build(false));

    LONGLONG duration = 0;
    ASSERT_EQ(seeking_->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, kFrames * kFrameTime);
    EXPECT_GT(source_->m_queries.load(), 0);
    ComRef<IMediaPosition> position = Query<IMediaPosition>(graph_.get(), IID_IMediaPosition);
    ASSERT_NE(position, nullptr);
    REFTIME seconds = 0;
    ASSERT_EQ(position->get_Duration(&seconds), S_OK);
    EXPECT_DOUBLE_EQ(seconds, kFrames * kFrameTime / 1e7);

    ASSERT_NO_FATAL_FAILURE(PauseAndWait());
    ExpectPlayed(renderer_->Stills(), {0}, 0);

    // While paused: the source flushes, the renderer drops frame 0 and
    // shows frame 5 of the new segment.
    const int seeksBefore = source_->m_seekCalls.load();
    LONGLONG target = 5 * kFrameTime;
    HRESULT hr = seeking_->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    ASSERT_TRUE(SUCCEEDED(hr)) << Hex(hr);
    EXPECT_GT(source_->m_seekCalls.load(), seeksBefore);
    OAFilterState state = 0;
    ASSERT_EQ(control_->GetState(5000, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    std::vector<RenderedFrame> stills = renderer_->Stills();
    ASSERT_FALSE(stills.empty());
    EXPECT_EQ(stills.back().frame, 5);
    EXPECT_EQ(stills.back().start, 0) << "times restart with the segment";
    EXPECT_EQ(renderer_->SegmentStart(), 5 * kFrameTime) << "NewSegment passed through the transform";
    EXPECT_TRUE(renderer_->Rendered().empty());

    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion());
    ExpectPlayed(renderer_->Rendered(), Range(5, kFrames - 1), 5);

    // The renderer answers the current position itself: at the end, the stop.
    ComRef<IMediaSeeking> rendererSeeking =
        Query<IMediaSeeking>(static_cast<IBaseFilter*>(renderer_), IID_IMediaSeeking);
    ASSERT_NE(rendererSeeking, nullptr);
    LONGLONG current = 0;
    ASSERT_EQ(rendererSeeking->GetCurrentPosition(&current), S_OK);
    EXPECT_EQ(current, kFrames * kFrameTime);
    // Through the transform's output pin directly as well.
    ComRef<IMediaSeeking> pinSeeking = Query<IMediaSeeking>(PinOf(transform_, 1), IID_IMediaSeeking);
    ASSERT_NE(pinSeeking, nullptr);
    DWORD caps = 0;
    ASSERT_EQ(pinSeeking->GetCapabilities(&caps), S_OK);
    EXPECT_TRUE(caps & AM_SEEKING_CanSeekAbsolute);
    ComRef<IPin> pinBack = Query<IPin>(pinSeeking.get(), IID_IPin);
    EXPECT_EQ(pinBack.get(), PinOf(transform_, 1)) << "the pass-through is part of the pin";
}

// The framework's own REFTIME arithmetic stays exact when the platform
// has left the x87 unit at single precision: 0.2 s, not 0.20000000298.
TEST_F(BaseClassesGraph, PositionsStayExactWithTheX87AtSinglePrecision) {
    ASSERT_NO_FATAL_FAILURE(Build(false));
    ComRef<IMediaPosition> position =
        Query<IMediaPosition>(static_cast<IBaseFilter*>(renderer_), IID_IMediaPosition);
    ASSERT_NE(position, nullptr);
    const REFTIME expected = kFrames * kFrameTime / 1e7;  // worked out at double precision
    REFTIME seconds = 0, stop = 0;
    HRESULT durationHr, stopHr;
    {
        X87ControlScope keep;
        SetX87ControlWord(0x007f);  // 24-bit precision, as Direct3D leaves it
        durationHr = position->get_Duration(&seconds);
        stopHr = position->get_StopTime(&stop);
    }
    ASSERT_EQ(durationHr, S_OK);
    EXPECT_EQ(seconds, expected);
    ASSERT_EQ(stopHr, S_OK);
    EXPECT_EQ(stop, expected);
}

TEST_F(BaseClassesGraph, EndOfStreamWhilePausedCompletesOnRun) {
    ASSERT_NO_FATAL_FAILURE(Build(false));
    ASSERT_NO_FATAL_FAILURE(PauseAndWait());
    // Seek to the end: after the flush only end of stream arrives, which
    // must complete the pause and then, on Run, the playback.
    LONGLONG end = kFrames * kFrameTime;
    ASSERT_TRUE(
        SUCCEEDED(seeking_->SetPositions(&end, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning)));
    OAFilterState state = 0;
    ASSERT_EQ(control_->GetState(5000, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion());
    EXPECT_TRUE(renderer_->Rendered().empty());
}

TEST_F(BaseClassesGraph, ARendererWithNothingConnectedCompletesAtOnce) {
    HRESULT hr = S_OK;
    renderer_ = new RecordingRenderer(&hr);
    static_cast<IBaseFilter*>(renderer_)->AddRef();
    ASSERT_EQ(graph_->AddFilter(renderer_, L"Renderer"), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_NO_FATAL_FAILURE(WaitForCompletion());
}

}  // namespace

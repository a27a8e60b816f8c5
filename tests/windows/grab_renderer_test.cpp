// The grab renderer: its media types, pictures and allocator on their own,
// and in real full-screen graphs (BuildFullScreenGraph on the Win32
// platform) where every published frame is compared with the decoder's
// raw frame, converted as the presenters expect it. Also the full-screen
// frame step, alone and through the renderer.
#include "presentation/grab_renderer_win32.h"

#include <dvdmedia.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture_renderer.h"
#include "com_test_support.h"
#include "duoscope_test_media.h"
#include "graphs/playback_graph.h"
#include "presentation/presenter.h"
#include "shell/graph_platform_win32.h"
#include "presentation/fullscreen_control.h"
#include "presentation/grabbed_frame.h"
#include "presentation/packed_dib_win32.h"
#include "presentation/picture.h"
#include "core/app_state.h"

namespace {

using testsupport::ComApartment;
using testsupport::ComRef;
using testsupport::Hex;
using testsupport::RefCount;
using testsupport::WaitForComplete;

// The shared values the renderer reads, restored after each test (all
// tests share one process when the executable runs on its own).
class SharedStateGuard {
public:
    SharedStateGuard()
        : subtype_(g_nVideoSubtype), layout_(g_nInputLayout), rgbMode_(g_bRgbMode), own_(g_bOwnFullScreen),
          marker_(g_nFrameStepMarker), state_(g_nPlayState), driver_(g_nShutterDriver) {}
    ~SharedStateGuard() {
        SetRunningPresenter(nullptr);
        g_nVideoSubtype = subtype_;
        g_nInputLayout = layout_;
        g_bRgbMode = rgbMode_;
        g_bOwnFullScreen = own_;
        g_nFrameStepMarker = marker_;
        g_nPlayState = state_;
        g_nShutterDriver = driver_;
    }

private:
    int32_t subtype_, layout_, rgbMode_, own_, marker_;
    PlayState state_;
    int32_t driver_;
};

// A plain window: the full-screen graph's owner and event target.
class TestWindow {
public:
    TestWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DuoscopeGrabTestWindow";
        RegisterClassW(&wc);  // fails harmlessly when already registered
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"grab test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, wc.hInstance, nullptr);
    }
    ~TestWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

using testsupport::WaitUntil;

// The frames a plain renderer taking only `subtype` gets from the movie:
// decoding is deterministic, so these are the grab renderer's frames too.
std::vector<CapturedSample> DecodeRaw(const wchar_t* path, const GUID& subtype) {
    IGraphBuilder* graph = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&graph));
    EXPECT_EQ(hr, S_OK) << Hex(hr);
    if (FAILED(hr)) return {};
    ComRef<IGraphBuilder> graphRef(graph);
    auto* recorder = new CaptureRenderer(&hr, {subtype});
    ComRef<IBaseFilter> recorderRef(recorder);
    recorder->AddRef();
    EXPECT_EQ(graph->AddFilter(recorder, L"Renderer"), S_OK);
    hr = testsupport::RenderFileKeepingX87(graph, path);
    EXPECT_EQ(hr, S_OK) << Hex(hr);
    IMediaControl* control = nullptr;
    IMediaEventEx* events = nullptr;
    graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events));
    ComRef<IMediaControl> controlRef(control);
    ComRef<IMediaEventEx> eventsRef(events);
    if (FAILED(hr) || !control || !events) return {};
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_TRUE(WaitForComplete(events));
    control->Stop();
    return recorder->Samples();
}

// The bytes that pad picture rows to whole words are no part of the
// picture: decoders leave whatever the buffer held there. Zeroed, so that
// pictures compare by their pixels.
void ZeroRowPadding(std::vector<BYTE>& picture, LONG width, LONG height) {
    const size_t stride = static_cast<size_t>(DibRowStride(width, 24));
    const size_t used = static_cast<size_t>(3 * width);
    for (LONG row = 0; row < height && (row + 1) * stride <= picture.size(); ++row)
        std::fill(picture.begin() + row * stride + used, picture.begin() + (row + 1) * stride, BYTE{0});
}

// ------------------------------------------------------ presenter record

struct PresentedFrame {
    std::vector<BYTE> pixels;  // the picture at the display pointer
    BITMAPINFOHEADER header;
    const BYTE* display;
    const BYTE* sample;
    const BITMAPINFOHEADER* conversion;
    int32_t marker;
    PlayState state;
};

std::mutex g_presentedMutex;
std::vector<PresentedFrame> g_presented;

// The GDI presenter's place: called inside the frame lock with the frame
// published, so everything it needs is copied here.
void RecordPresentedFrame() {
    PresentedFrame f;
    f.header = GrabbedFrame.header.bmiHeader;
    f.display = GrabbedFrame.pDisplay;
    f.sample = GrabbedFrame.pSample;
    f.conversion = GrabbedFrame.pConversion;
    const size_t bytes =
        static_cast<size_t>(DibRowStride(f.header.biWidth, 24)) * static_cast<size_t>(std::labs(f.header.biHeight));
    if (f.display) f.pixels.assign(f.display, f.display + bytes);
    ZeroRowPadding(f.pixels, f.header.biWidth, std::labs(f.header.biHeight));
    // Read under the lock, so a test that sets the marker under it knows
    // which records saw the new value.
    std::lock_guard<std::mutex> lock(g_presentedMutex);
    f.marker = g_nFrameStepMarker;
    f.state = g_nPlayState;
    g_presented.push_back(std::move(f));
}

// A presenter that only records what it is given.
const FullScreenPresenter kRecorder = {PresenterId::Gdi, "", nullptr, nullptr, false, nullptr, nullptr,
                                       RecordPresentedFrame, 0};

std::vector<PresentedFrame> Presented() {
    std::lock_guard<std::mutex> lock(g_presentedMutex);
    return g_presented;
}

size_t PresentedCount() {
    std::lock_guard<std::mutex> lock(g_presentedMutex);
    return g_presented.size();
}

void ClearPresented() {
    std::lock_guard<std::mutex> lock(g_presentedMutex);
    g_presented.clear();
}

// Which expected frame each presented picture is (-1: none).
std::vector<int> FrameIndices(const std::vector<PresentedFrame>& presented,
                              const std::vector<std::vector<BYTE>>& expected) {
    std::vector<int> indices;
    for (const PresentedFrame& p : presented) {
        auto it = std::find(expected.begin(), expected.end(), p.pixels);
        indices.push_back(it == expected.end() ? -1 : static_cast<int>(it - expected.begin()));
    }
    return indices;
}

// The still picture shown on the way to running and the same sample
// rendered once running are one frame.
std::vector<int> WithoutRepeats(std::vector<int> v) {
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

// Releases what BuildFullScreenGraph put in the record (the presenters'
// own release does this later).
void ReleaseFullScreenGraphRecord() {
    FullScreenGraph& g = g_FullScreenGraph;
    if (g.pMC1) g.pMC1->Stop();
    if (g.pME1) g.pME1->SetNotifyWindow(0, 0, 0);
    auto release = [](auto*& p) {
        if (p) p->Release();
        p = nullptr;
    };
    release(g.pRenderer1);
    release(g.pME1);
    release(g.pMS1);
    release(g.pMC1);
    release(g.pGB1);
}

CGrabRenderer* GrabRendererOf(const FullScreenGraph& g) { return static_cast<CGrabRenderer*>(g.pRenderer1); }

// ----------------------------------------------------------- media types

CMediaType VideoType(const GUID& format, const GUID& subtype, LONG width, LONG height, WORD bits,
                     const GUID& major = MEDIATYPE_Video) {
    CMediaType mt;
    mt.SetType(&major);
    mt.SetSubtype(&subtype);
    mt.SetFormatType(&format);
    BITMAPINFOHEADER* bmi = nullptr;
    if (format == FORMAT_VideoInfo2) {
        auto* vih = reinterpret_cast<VIDEOINFOHEADER2*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER2)));
        std::memset(vih, 0, sizeof(*vih));
        bmi = &vih->bmiHeader;
    } else {
        auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
        std::memset(vih, 0, sizeof(*vih));
        bmi = &vih->bmiHeader;
    }
    bmi->biSize = sizeof(BITMAPINFOHEADER);
    bmi->biWidth = width;
    bmi->biHeight = height;
    bmi->biPlanes = 1;
    bmi->biBitCount = bits;
    bmi->biCompression = subtype == MEDIASUBTYPE_YUY2 ? MAKEFOURCC('Y', 'U', 'Y', '2') : BI_RGB;
    return mt;
}

// A grab renderer made by hand, with the test's one reference.
struct RendererRef {
    RendererRef() {
        HRESULT hr = S_OK;
        renderer = new CGrabRenderer(nullptr, &hr);
        renderer->AddRef();
        EXPECT_EQ(hr, S_OK);
    }
    ~RendererRef() { EXPECT_EQ(static_cast<IBaseFilter*>(renderer)->Release(), 0u); }
    CGrabRenderer* operator->() const { return renderer; }
    CGrabInputPin* Pin() const { return static_cast<CGrabInputPin*>(renderer->GetPin(0)); }
    CGrabRenderer* renderer = nullptr;
};

}  // namespace

// ============================================================ media types

TEST(GrabRenderer, CheckMediaTypeTakesRgb24AndYuy2VideoInfoOnly) {
    SharedStateGuard state;
    RendererRef renderer;
    struct Case {
        const char* what;
        CMediaType type;
        int32_t rgbMode;
        HRESULT result;
        int32_t subtype;  // g_nVideoSubtype afterwards; 9 = left alone
    };
    CMediaType shortBlock = VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, 240, 24);
    shortBlock.ReallocFormatBuffer(sizeof(VIDEOINFOHEADER) - 4);
    CMediaType noBlock = VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, 240, 24);
    noBlock.ResetFormatBuffer();
    const Case cases[] = {
        {"RGB24 VideoInfo", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, 240, 24), 0, S_OK, 1},
        {"RGB24 VideoInfo2", VideoType(FORMAT_VideoInfo2, MEDIASUBTYPE_RGB24, 320, 240, 24), 0, S_OK, 1},
        {"RGB24 top-down", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, -240, 24), 0, S_OK, 1},
        {"RGB24 in RGB mode", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, 240, 24), 1, S_OK, 1},
        {"YUY2 VideoInfo", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_YUY2, 320, 240, 16), 0, S_OK, 2},
        {"YUY2 VideoInfo2", VideoType(FORMAT_VideoInfo2, MEDIASUBTYPE_YUY2, 320, 240, 16), 0, S_OK, 2},
        {"YUY2 in RGB mode", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_YUY2, 320, 240, 16), 1, S_FALSE, 9},
        {"RGB24 of 32 bits", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, 240, 32), 0, S_FALSE, 9},
        {"YUY2 of 24 bits", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_YUY2, 320, 240, 24), 0, S_FALSE, 9},
        {"RGB32", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB32, 320, 240, 32), 0, S_FALSE, 9},
        {"UYVY", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_UYVY, 320, 240, 16), 0, S_FALSE, 9},
        {"not video", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, 240, 24, MEDIATYPE_Stream), 0, S_FALSE,
         9},
        {"wave format", VideoType(FORMAT_WaveFormatEx, MEDIASUBTYPE_RGB24, 320, 240, 24), 0, S_FALSE, 9},
        {"short format block", shortBlock, 0, S_FALSE, 9},
        {"no format block", noBlock, 0, S_FALSE, 9},
        // Pictures are made with 16-bit dimensions.
        {"width 32767", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 32767, 2, 24), 0, S_OK, 1},
        {"width 32768", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 32768, 2, 24), 0, S_FALSE, 9},
        {"height 70000", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_YUY2, 320, 70000, 16), 0, S_FALSE, 9},
        {"height -70000", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, -70000, 24), 0, S_FALSE, 9},
        {"width 0", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 0, 240, 24), 0, S_FALSE, 9},
    };
    for (const Case& c : cases) {
        g_bRgbMode = c.rgbMode;
        g_nVideoSubtype = 9;
        EXPECT_EQ(renderer->CheckMediaType(&c.type), c.result) << c.what;
        EXPECT_EQ(g_nVideoSubtype.load(), c.subtype) << c.what;
        // The pin asks the same question.
        EXPECT_EQ(renderer.Pin()->QueryAccept(&c.type), c.result) << c.what;
    }
}

TEST(GrabRenderer, SetMediaTypeMakesTheScratchLineAndTheConversionPicture) {
    SharedStateGuard state;
    RendererRef renderer;
    FreeGrabbedFramePictures();
    struct Case {
        const char* what;
        CMediaType type;
        int32_t layout;
        bool converted;  // a conversion picture describes the frame
    };
    const Case cases[] = {
        {"RGB24 top-down", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 320, -240, 24), 0, false},
        {"YUY2", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_YUY2, 320, 240, 16), 0, true},
        {"YUY2 top-down", VideoType(FORMAT_VideoInfo2, MEDIASUBTYPE_YUY2, 640, -120, 16), 0, true},
        {"RGB24 interlaced", VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 318, 240, 24), 4, true},
    };
    for (const Case& c : cases) {
        g_nInputLayout = c.layout;
        ASSERT_EQ(renderer->CheckMediaType(&c.type), S_OK) << c.what;
        ASSERT_EQ(renderer->SetMediaType(&c.type), S_OK) << c.what;
        const BITMAPINFOHEADER& source = *CaptureRenderer::BitmapHeader(&c.type);
        const LONG height = std::labs(source.biHeight);
        EXPECT_EQ(renderer->FrameWidth(), source.biWidth) << c.what;
        EXPECT_EQ(renderer->FrameHeight(), height) << c.what;
        ASSERT_NE(GrabbedFrame.pScratchLine, nullptr) << c.what;
        EXPECT_GE(GlobalSize(GlobalHandle(GrabbedFrame.pScratchLine)), static_cast<SIZE_T>(source.biWidth)) << c.what;

        const BITMAPINFOHEADER& header = GrabbedFrame.header.bmiHeader;
        if (!c.converted) {
            EXPECT_EQ(std::memcmp(&header, &source, sizeof header), 0) << c.what << ": the source's header";
            EXPECT_EQ(GrabbedFrame.pConversion, nullptr) << c.what;
            continue;
        }
        const BITMAPINFOHEADER* picture = GrabbedFrame.pConversion;
        ASSERT_NE(picture, nullptr) << c.what;
        EXPECT_EQ(picture->biWidth, source.biWidth) << c.what;
        EXPECT_EQ(picture->biHeight, height) << c.what << ": bottom-up";
        EXPECT_EQ(picture->biBitCount, 24) << c.what;
        EXPECT_EQ(picture->biSizeImage, static_cast<DWORD>(DibRowStride(source.biWidth, 24) * height)) << c.what;
        EXPECT_EQ(std::memcmp(&header, picture, sizeof header), 0) << c.what << ": the picture's header";
        EXPECT_EQ(GrabbedFrame.pDisplay, DibPixels(picture)) << c.what;
        const RGBQUAD zero{};
        EXPECT_EQ(std::memcmp(&GrabbedFrame.header.bmiColors[0], &zero, sizeof zero), 0) << c.what;
    }
    FreeGrabbedFramePictures();
    EXPECT_EQ(GrabbedFrame.pConversion, nullptr);
    EXPECT_EQ(GrabbedFrame.pScratchLine, nullptr);
}

// ============================================================ allocators

TEST(GrabRenderer, PinOffersItsOwnAllocatorWithTwoSpareBuffers) {
    const LONG objectsBefore = CBaseObject::ObjectsActive();
    {
        RendererRef renderer;
        CGrabInputPin* pin = renderer.Pin();
        EXPECT_EQ(pin->GetAllocator(nullptr), E_POINTER);
        IMemAllocator* own = nullptr;
        ASSERT_EQ(pin->GetAllocator(&own), S_OK);
        ComRef<IMemAllocator> ownRef(own);
        IMemAllocator* again = nullptr;
        ASSERT_EQ(pin->GetAllocator(&again), S_OK);
        EXPECT_EQ(again, own);
        again->Release();

        ALLOCATOR_PROPERTIES request{3, 1000, 16, 8};
        ALLOCATOR_PROPERTIES actual{};
        ASSERT_EQ(own->SetProperties(&request, &actual), S_OK);
        EXPECT_EQ(request.cBuffers, 3) << "the caller's request stays as it was";
        EXPECT_EQ(actual.cBuffers, 5);
        EXPECT_EQ(actual.cbAlign, 16);
        EXPECT_EQ(actual.cbPrefix, 8);
        EXPECT_GE(actual.cbBuffer, 1000);

        // Upstream tells which allocator it took.
        EXPECT_FALSE(pin->UsesOwnAllocator());
        ASSERT_EQ(pin->NotifyAllocator(own, FALSE), S_OK);
        EXPECT_TRUE(pin->UsesOwnAllocator());
        HRESULT hr = S_OK;
        auto* foreign = new CMemAllocator(NAME("foreign"), nullptr, &hr);
        ComRef<IMemAllocator> foreignRef(foreign);
        foreign->AddRef();
        ASSERT_EQ(pin->NotifyAllocator(foreign, FALSE), S_OK);
        EXPECT_FALSE(pin->UsesOwnAllocator());
        EXPECT_EQ(pin->NotifyAllocator(nullptr, FALSE), E_POINTER);
        EXPECT_FALSE(pin->UsesOwnAllocator());
    }
    EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore);
}

// Samples of the own allocator are held (for redraws between frames);
// others are shown and let go. A held sample is shown again after every
// new one, and the renderer's end releases it.
TEST(GrabRenderer, HoldsOnlySamplesOfItsOwnAllocator) {
    SharedStateGuard state;
    const LONG objectsBefore = CBaseObject::ObjectsActive();
    g_nInputLayout = 0;
    g_bOwnFullScreen = 1;
    SetRunningPresenter(&kRecorder);
    ClearPresented();
    {
        auto renderer = std::make_unique<RendererRef>();
        CGrabInputPin* pin = renderer->Pin();
        const CMediaType type = VideoType(FORMAT_VideoInfo, MEDIASUBTYPE_RGB24, 8, 4, 24);
        ASSERT_EQ((*renderer)->CheckMediaType(&type), S_OK);
        ASSERT_EQ((*renderer)->SetMediaType(&type), S_OK);

        IMemAllocator* own = nullptr;
        ASSERT_EQ(pin->GetAllocator(&own), S_OK);
        ComRef<IMemAllocator> ownRef(own);
        HRESULT hr = S_OK;
        auto* foreign = new CMemAllocator(NAME("foreign"), nullptr, &hr);
        foreign->AddRef();
        ComRef<IMemAllocator> foreignRef(foreign);
        ALLOCATOR_PROPERTIES request{1, 96, 1, 0}, actual{};
        ASSERT_EQ(own->SetProperties(&request, &actual), S_OK);
        ASSERT_EQ(foreign->SetProperties(&request, &actual), S_OK);
        ASSERT_EQ(own->Commit(), S_OK);
        ASSERT_EQ(foreign->Commit(), S_OK);
        IMediaSample* ownSample = nullptr;
        IMediaSample* foreignSample = nullptr;
        ASSERT_EQ(own->GetBuffer(&ownSample, nullptr, nullptr, 0), S_OK);
        ASSERT_EQ(foreign->GetBuffer(&foreignSample, nullptr, nullptr, 0), S_OK);
        BYTE* ownData = nullptr;
        BYTE* foreignData = nullptr;
        ownSample->GetPointer(&ownData);
        foreignSample->GetPointer(&foreignData);
        const ULONG ownRefs = RefCount(ownSample);
        const ULONG foreignRefs = RefCount(foreignSample);

        ASSERT_EQ(pin->NotifyAllocator(foreign, FALSE), S_OK);
        EXPECT_EQ((*renderer)->DoRenderSample(foreignSample), S_OK);
        EXPECT_EQ(RefCount(foreignSample), foreignRefs) << "not held";
        ASSERT_EQ(PresentedCount(), 1u);
        EXPECT_EQ(Presented()[0].display, foreignData);

        ASSERT_EQ(pin->NotifyAllocator(own, FALSE), S_OK);
        (*renderer)->OnReceiveFirstSample(ownSample);  // the paused path does the same
        EXPECT_EQ(RefCount(ownSample), ownRefs + 1) << "held";
        ASSERT_EQ(PresentedCount(), 2u);
        EXPECT_EQ(Presented()[1].display, ownData);
        EXPECT_EQ(GrabbedFrame.pDisplay, ownData);

        // Back to a foreign allocator: the new sample only; the older held
        // one is let go and never shown over it.
        ASSERT_EQ(pin->NotifyAllocator(foreign, FALSE), S_OK);
        EXPECT_EQ((*renderer)->DoRenderSample(foreignSample), S_OK);
        ASSERT_EQ(PresentedCount(), 3u);
        EXPECT_EQ(Presented()[2].display, foreignData);
        EXPECT_EQ(GrabbedFrame.pDisplay, foreignData);
        EXPECT_EQ(RefCount(ownSample), ownRefs);

        // Held again, and released with the renderer.
        ASSERT_EQ(pin->NotifyAllocator(own, FALSE), S_OK);
        (*renderer)->OnReceiveFirstSample(ownSample);
        EXPECT_EQ(RefCount(ownSample), ownRefs + 1);
        renderer.reset();
        EXPECT_EQ(RefCount(ownSample), ownRefs) << "released with the renderer";
        ownSample->Release();
        foreignSample->Release();
        own->Decommit();
        foreign->Decommit();
    }
    FreeGrabbedFramePictures();
    EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore);
}

// ====================================================== full-screen graph

namespace {

enum class Conversion { None, Yuy2, Deinterleave };

struct GrabCase {
    const char* name;
    const char* path;
    int32_t layout;
    int32_t rgbMode;
    const GUID* subtype;  // what the movie is delivered as
    int32_t pixelFormat;  // g_nVideoSubtype
    Conversion conversion;
};

void PrintTo(const GrabCase& c, std::ostream* os) { *os << c.name; }

std::wstring Wide(const char* s) { return std::wstring(s, s + std::strlen(s)); }

// The picture the presenters should get for one raw frame.
std::vector<BYTE> Expected(const CapturedSample& raw, Conversion conversion) {
    const BITMAPINFOHEADER* bmi = CaptureRenderer::BitmapHeader(&raw.type);
    const int32_t w = bmi->biWidth;
    const int32_t h = std::labs(bmi->biHeight);
    const size_t bytes = static_cast<size_t>(DibRowStride(w, 24)) * h;
    std::vector<BYTE> picture(bytes);
    switch (conversion) {
    case Conversion::None: std::copy(raw.bytes.begin(), raw.bytes.begin() + bytes, picture.begin()); break;
    case Conversion::Yuy2:
        ConvertYuy2Frame(picture.data(), raw.bytes.data(), (2 * w + 3) / 4 * 4, w, h, g_nInputLayout);
        break;
    case Conversion::Deinterleave: DeinterleaveRgbFrame(picture.data(), raw.bytes.data(), w, h); break;
    }
    ZeroRowPadding(picture, w, h);
    return picture;
}

// The picture at the display pointer now, as the presenters would read it.
std::vector<BYTE> DisplayedPicture() {
    const BITMAPINFOHEADER& header = GrabbedFrame.header.bmiHeader;
    const LONG height = std::labs(header.biHeight);
    std::vector<BYTE> picture(GrabbedFrame.pDisplay,
                              GrabbedFrame.pDisplay + static_cast<size_t>(DibRowStride(header.biWidth, 24)) * height);
    ZeroRowPadding(picture, header.biWidth, height);
    return picture;
}

class GrabRendererGraph : public testing::TestWithParam<GrabCase> {
protected:
    void SetUp() override {
        g_nSourceKind = SourceKind::MovieFile;
        g_bOwnFullScreen = 1;
        g_nFrameStepMarker = 0;
        SetRunningPresenter(&kRecorder);
        ClearPresented();
        ASSERT_NE(window_.get(), nullptr);
    }
    void TearDown() override {
        ReleaseFullScreenGraphRecord();
        FreeGrabbedFramePictures();
    }

    // The raw frames, converted as the renderer should present them.
    void ExpectedFrames(const char* path, const GUID& subtype, Conversion conversion) {
        raw_ = DecodeRaw(Wide(path).c_str(), subtype);
        ASSERT_EQ(raw_.size(), static_cast<size_t>(DUOSCOPE_TEST_MOVIE_FRAMES));
        expected_.clear();
        for (const CapturedSample& s : raw_) {
            const BITMAPINFOHEADER* bmi = CaptureRenderer::BitmapHeader(&s.type);
            ASSERT_NE(bmi, nullptr);
            const LONG rowBytes = (bmi->biWidth * bmi->biBitCount + 31) / 32 * 4;  // DIB rows
            ASSERT_GE(s.bytes.size(), static_cast<size_t>(rowBytes * std::labs(bmi->biHeight)));
            expected_.push_back(Expected(s, conversion));
        }
        for (size_t i = 1; i < expected_.size(); ++i)
            ASSERT_NE(expected_[i], expected_[i - 1]) << "the test movie's frames must differ";
    }

    void Build(const char* path) {
        const HRESULT hr = BuildFullScreenGraph(Win32GraphPlatform(), g_FullScreenGraph, window_.get(), path);
        ASSERT_EQ(hr, S_OK) << Hex(hr);
        ASSERT_NE(g_FullScreenGraph.pMC1, nullptr);
        ASSERT_NE(g_FullScreenGraph.pME1, nullptr);
        ASSERT_NE(g_FullScreenGraph.pMS1, nullptr);
        ASSERT_EQ(g_nPlayState.load(), PlayState::Running);
    }

    SharedStateGuard state_;
    ComApartment com_;
    TestWindow window_;
    std::vector<CapturedSample> raw_;
    std::vector<std::vector<BYTE>> expected_;
};

}  // namespace

TEST_P(GrabRendererGraph, PublishesEveryFrameAsThePresentersExpectIt) {
    const GrabCase& c = GetParam();
    g_nInputLayout = c.layout;
    g_bRgbMode = c.rgbMode;
    ASSERT_NO_FATAL_FAILURE(ExpectedFrames(c.path, *c.subtype, c.conversion));
    const LONG objectsBefore = CBaseObject::ObjectsActive();

    g_nVideoSubtype = 0;
    ASSERT_NO_FATAL_FAILURE(Build(c.path));
    EXPECT_EQ(g_nVideoSubtype.load(), c.pixelFormat);
    CGrabRenderer* renderer = GrabRendererOf(g_FullScreenGraph);
    AM_MEDIA_TYPE connected{};
    ASSERT_EQ(renderer->GetPin(0)->ConnectionMediaType(&connected), S_OK);
    EXPECT_EQ(connected.subtype, *c.subtype);
    BITMAPINFOHEADER source = *CaptureRenderer::BitmapHeader(&connected);
    FreeMediaType(connected);
    const BITMAPINFOHEADER rawHeader = *CaptureRenderer::BitmapHeader(&raw_[0].type);
    ASSERT_EQ(source.biWidth, rawHeader.biWidth);
    ASSERT_EQ(source.biHeight, rawHeader.biHeight);
    ASSERT_EQ(source.biBitCount, rawHeader.biBitCount);

    ASSERT_TRUE(WaitForComplete(g_FullScreenGraph.pME1));
    const std::vector<PresentedFrame> presented = Presented();
    ASSERT_FALSE(presented.empty());
    EXPECT_EQ(WithoutRepeats(FrameIndices(presented, expected_)), Range(0, DUOSCOPE_TEST_MOVIE_FRAMES - 1));

    for (size_t i = 0; i < presented.size(); ++i) {
        const PresentedFrame& p = presented[i];
        if (c.conversion == Conversion::None) {
            // The sample itself, described by the source's header: no copy.
            EXPECT_EQ(p.display, p.sample) << "frame " << i;
            EXPECT_EQ(std::memcmp(&p.header, &source, sizeof source), 0) << "frame " << i;
        } else {
            ASSERT_NE(p.conversion, nullptr) << "frame " << i;
            EXPECT_EQ(p.display, DibPixels(p.conversion)) << "frame " << i;
            EXPECT_NE(p.display, p.sample) << "frame " << i;
            EXPECT_EQ(p.header.biBitCount, 24) << "frame " << i;
            EXPECT_EQ(p.header.biWidth, source.biWidth) << "frame " << i;
            EXPECT_EQ(p.header.biHeight, std::labs(source.biHeight)) << "frame " << i;
        }
    }

    // The upstream filter took the own allocator, so the last frame stays
    // held for redraws, with spare buffers beyond what upstream asked.
    CGrabInputPin* pin = static_cast<CGrabInputPin*>(renderer->GetPin(0));
    EXPECT_TRUE(pin->UsesOwnAllocator());
    ALLOCATOR_PROPERTIES props{};
    ASSERT_NE(pin->Allocator(), nullptr);
    pin->Allocator()->GetProperties(&props);
    EXPECT_GE(props.cBuffers, 3);

    ASSERT_NE(GrabbedFrame.pDisplay, nullptr);
    EXPECT_TRUE(DisplayedPicture() == expected_.back()) << "after the end";
    ASSERT_TRUE(SUCCEEDED(g_FullScreenGraph.pMC1->Stop()));
    EXPECT_TRUE(DisplayedPicture() == expected_.back()) << "after the stop";

    ReleaseFullScreenGraphRecord();
    EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore) << "renderer, pin, allocator and the held sample";
}

INSTANTIATE_TEST_SUITE_P(
    GrabRendererMovies, GrabRendererGraph,
    testing::Values(
        GrabCase{"Rgb24", DUOSCOPE_TEST_MOVIE_RGB24_AVI, 0, 0, &MEDIASUBTYPE_RGB24, 1, Conversion::None},
        GrabCase{"Rgb24OddWidth", DUOSCOPE_TEST_MOVIE_RGB24_ODD_AVI, 0, 0, &MEDIASUBTYPE_RGB24, 1, Conversion::None},
        GrabCase{"Rgb24Interlaced", DUOSCOPE_TEST_MOVIE_RGB24_AVI, 4, 0, &MEDIASUBTYPE_RGB24, 1,
                 Conversion::Deinterleave},
        GrabCase{"Rgb24OddWidthInterlaced", DUOSCOPE_TEST_MOVIE_RGB24_ODD_AVI, 4, 0, &MEDIASUBTYPE_RGB24, 1,
                 Conversion::Deinterleave},
        GrabCase{"Yuy2", DUOSCOPE_TEST_MOVIE_YUY2_AVI, 0, 0, &MEDIASUBTYPE_YUY2, 2, Conversion::Yuy2},
        GrabCase{"Yuy2Interlaced", DUOSCOPE_TEST_MOVIE_YUY2_AVI, 4, 0, &MEDIASUBTYPE_YUY2, 2, Conversion::Yuy2},
        // YUY2 refused: the graph converts to RGB24.
        GrabCase{"Yuy2InRgbMode", DUOSCOPE_TEST_MOVIE_YUY2_AVI, 0, 1, &MEDIASUBTYPE_RGB24, 1, Conversion::None}),
    [](const testing::TestParamInfo<GrabCase>& info) { return std::string(info.param.name); });

// A frame step while the graph runs: the next frame pauses it, clears the
// marker, and is still shown; no frame is skipped.
TEST_F(GrabRendererGraph, FrameStepMarkerPausesOnTheNextFrame) {
    g_nInputLayout = 0;
    g_bRgbMode = 0;
    ASSERT_NO_FATAL_FAILURE(ExpectedFrames(DUOSCOPE_TEST_MOVIE_RGB24_AVI, MEDIASUBTYPE_RGB24, Conversion::None));
    ASSERT_NO_FATAL_FAILURE(Build(DUOSCOPE_TEST_MOVIE_RGB24_AVI));

    ASSERT_TRUE(WaitUntil([] { return PresentedCount() >= 3; }, 5000)) << "the graph plays";
    size_t before = 0;
    {
        std::lock_guard<std::mutex> lock(g_presentedMutex);
        g_nFrameStepMarker = kFrameStepPending;
        before = g_presented.size();
    }
    ASSERT_TRUE(WaitUntil([] { return g_nFrameStepMarker.load() == 0; }, 5000)) << "the marker is cleared";
    // The marker is cleared in the step frame's processing, just before the
    // frame is handed to the presenter: wait for that hand-over too.
    WaitUntil([before] { return PresentedCount() > before; }, 5000);
    EXPECT_EQ(g_nPlayState.load(), PlayState::Paused);
    OAFilterState graphState = -1;
    EXPECT_EQ(g_FullScreenGraph.pMC1->GetState(5000, &graphState), S_OK);
    EXPECT_EQ(graphState, State_Paused);

    const std::vector<PresentedFrame> presented = Presented();
    ASSERT_GT(presented.size(), before);
    // The frames presented since the request: the step frame first, shown
    // after the toggle, then at most the paused still.
    size_t step = before;
    while (step < presented.size() && presented[step].marker == kFrameStepPending) ++step;
    ASSERT_LT(step, presented.size());
    EXPECT_EQ(presented[step].marker, 0);
    EXPECT_EQ(presented[step].state, PlayState::Paused);
    const std::vector<int> indices = WithoutRepeats(FrameIndices(presented, expected_));
    ASSERT_FALSE(indices.empty());
    EXPECT_EQ(indices, Range(0, indices.back())) << "no frame skipped";
    EXPECT_LT(indices.back(), DUOSCOPE_TEST_MOVIE_FRAMES - 1) << "the step stopped the movie before its end";
    EXPECT_LE(presented.size() - step, 2u) << "the step frame and at most the paused still";
    EXPECT_TRUE(DisplayedPicture() == presented.back().pixels) << "still there for redraws while paused";
}

// =========================================================== frame step

namespace {

// An IMediaControl whose Run and Pause fail.
class FailingControl : public IMediaControl {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IMediaControl) {
            *ppv = static_cast<IMediaControl*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Run() override {
        ++calls;
        return E_FAIL;
    }
    STDMETHODIMP Pause() override {
        ++calls;
        return E_FAIL;
    }
    STDMETHODIMP Stop() override {
        ++calls;
        return E_FAIL;
    }
    STDMETHODIMP GetState(LONG, OAFilterState*) override { return E_NOTIMPL; }
    STDMETHODIMP RenderFile(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP StopWhenReady() override { return E_NOTIMPL; }
    int calls = 0;
};

}  // namespace

TEST(FullScreenFrameStep, RunsPausesOrDoesNothingByStateAndMarker) {
    SharedStateGuard state;
    ComApartment com;
    FullScreenGraph saved = g_FullScreenGraph;

    // An empty graph runs and pauses like any other.
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    ComRef<IGraphBuilder> graphRef(graph);
    IMediaControl* control = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ComRef<IMediaControl> controlRef(control);
    g_FullScreenGraph = FullScreenGraph{};
    g_FullScreenGraph.pMC1 = control;

    struct Case {
        const char* what;
        OAFilterState graphBefore;
        PlayState state;
        int32_t marker;
        OAFilterState graphAfter;
        PlayState stateAfter;
        int32_t markerAfter;
    };
    const Case cases[] = {
        {"stopped", State_Stopped, PlayState::Stopped, 0, State_Running, PlayState::Running, kFrameStepPending},
        {"paused", State_Paused, PlayState::Paused, 0, State_Running, PlayState::Running, kFrameStepPending},
        {"paused, step pending", State_Paused, PlayState::Paused, kFrameStepPending, State_Running,
         PlayState::Running, kFrameStepPending},
        {"running, step pending", State_Running, PlayState::Running, kFrameStepPending, State_Paused,
         PlayState::Paused, 0},
        {"running", State_Running, PlayState::Running, 0, State_Running, PlayState::Running, 0},
        {"no media", State_Paused, PlayState::Init, 0, State_Paused, PlayState::Init, 0},
    };
    for (const Case& c : cases) {
        switch (c.graphBefore) {
        case State_Stopped: ASSERT_TRUE(SUCCEEDED(control->Stop())); break;
        case State_Paused: ASSERT_TRUE(SUCCEEDED(control->Pause())); break;
        default: ASSERT_TRUE(SUCCEEDED(control->Run())); break;
        }
        g_nPlayState = c.state;
        g_nFrameStepMarker = c.marker;
        ToggleFrameStep();
        OAFilterState graphState = -1;
        EXPECT_EQ(control->GetState(2000, &graphState), S_OK) << c.what;
        EXPECT_EQ(graphState, c.graphAfter) << c.what;
        EXPECT_EQ(g_nPlayState.load(), c.stateAfter) << c.what;
        EXPECT_EQ(g_nFrameStepMarker.load(), c.markerAfter) << c.what;
    }
    control->Stop();

    // A refused run or pause changes neither the state nor the marker.
    FailingControl failing;
    g_FullScreenGraph.pMC1 = &failing;
    for (auto [state, marker] : {std::make_pair(PlayState::Paused, 0), std::make_pair(PlayState::Running, 123)}) {
        g_nPlayState = state;
        g_nFrameStepMarker = marker;
        ToggleFrameStep();
        EXPECT_EQ(g_nPlayState.load(), state);
        EXPECT_EQ(g_nFrameStepMarker.load(), marker);
    }
    EXPECT_EQ(failing.calls, 2);

    // Without a graph, nothing at all.
    g_FullScreenGraph.pMC1 = nullptr;
    g_nPlayState = PlayState::Stopped;
    g_nFrameStepMarker = 0;
    ToggleFrameStep();
    EXPECT_EQ(g_nPlayState.load(), PlayState::Stopped);
    EXPECT_EQ(g_nFrameStepMarker.load(), 0);

    g_FullScreenGraph = saved;
}

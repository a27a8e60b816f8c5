#include "presentation/nvidia/nvidia_window_win32.h"

#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "presentation/fullscreen_control.h"
#include "presentation/fullscreen_graph.h"
#include "presentation/gdi/gdi_geometry.h"
#include "presentation/grabbed_frame.h"
#include "presentation/packed_dib_win32.h"
#include "presentation/picture.h"
#include "presentation/presenter_host.h"
#include "resources/resource.h"

namespace {

constexpr UINT kStartGraphMessage = WM_USER;
constexpr const char* kTextureName = "nVidiaStereo";

// The frame the grab renderer published last.
struct Frame {
    const BITMAPINFOHEADER* header = nullptr;
    const BYTE* pixels = nullptr;
    int32_t w = 0;
    int32_t h = 0;
};

bool CurrentFrame(Frame* f) {
    const BITMAPINFOHEADER& header = GrabbedFrame.header.bmiHeader;
    if (!GrabbedFrame.pDisplay || header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount != 24) return false;
    f->header = &header;
    f->pixels = GrabbedFrame.pDisplay;
    f->w = header.biWidth;
    f->h = std::labs(header.biHeight);
    return true;
}

// The frame doubled in height (layout 2), in a picture the caller frees;
// a top-down frame doubles into a top-down picture.
BITMAPINFOHEADER* DoubledFrame(const Frame& frame) {
    BITMAPINFOHEADER upright = *frame.header;
    upright.biHeight = frame.h;
    BITMAPINFOHEADER* doubled = DoubleDibHeight(&upright, frame.pixels);
    if (doubled && frame.header->biHeight < 0) doubled->biHeight = -doubled->biHeight;
    return doubled;
}

}  // namespace

NVidiaStereoWindow::NVidiaStereoWindow() {
    title_ = "nVidiaStereo";
    className_ = "nVidiaStereo";
    iconName_ = "STRWIN";
    wantZBuffer_ = false;  // nothing is rendered in depth
}

NVidiaStereoWindow::NamedTexture* NVidiaStereoWindow::FindTexture(const char* name) {
    for (NamedTexture& t : textures_)
        if (t.name == name) return &t;
    return nullptr;
}

HRESULT NVidiaStereoWindow::RenderEnvironment() {
    // The frames are drawn and shown by DrawFrame; here only whether the
    // display is still ours.
    if (!env_ || !env_->pDD) return E_FAIL;
    const HRESULT hr = env_->pDD->TestCooperativeLevel();
    if (SUCCEEDED(hr) || hr == DDERR_EXCLUSIVEMODEALREADYSET || hr == DDERR_NOEXCLUSIVEMODE) return S_OK;
    if (hr == DDERR_WRONGMODE && device_ && device_->windowed) return StereoAppBase::RenderEnvironment();
    return hr;
}

HRESULT NVidiaStereoWindow::PrepareScene() {
    const StereoModeEntry& mode = device_->mode;
    if (FindTexture(kTextureName)) return S_OK;
    try {
        NamedTexture t;
        t.name = kTextureName;
        t.width = 2 * mode.width;
        t.height = mode.height;
        t.bitDepth = 24;
        textures_.push_back(t);
    } catch (...) {
        Host().ShowMessageBox(nullptr, "Could not load image.", "nVidiaStereo", MB_OK | MB_ICONERROR);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT NVidiaStereoWindow::CreateDeviceObjects() {
    std::lock_guard<std::recursive_mutex> lock(drawing_);
    NamedTexture* texture = FindTexture(kTextureName);
    if (!texture || !env_ || !env_->pDD || !env_->pddsBack) return E_FAIL;
    // The picture takes the back buffer's pixel format: DrawDib draws into
    // it through a device context and the render target copies from it
    // without a conversion.
    DDSURFACEDESC2 back{};
    back.dwSize = sizeof back;
    HRESULT hr = env_->pddsBack->GetSurfaceDesc(&back);
    if (FAILED(hr)) return hr;
    texture->width = 2 * env_->width;
    texture->height = env_->height;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.dwWidth = static_cast<DWORD>(texture->width);
    desc.dwHeight = static_cast<DWORD>(texture->height);
    desc.ddpfPixelFormat = back.ddpfPixelFormat;
    hr = env_->pDD->CreateSurface(&desc, &texture->surface, nullptr);
    if (FAILED(hr)) {
        texture->surface = nullptr;
        return hr;
    }
    framePicture_ = texture->surface;
    blit_ = DDBLTFX{};
    blit_.dwSize = sizeof blit_;
    blit_.dwROP = SRCCOPY;
    return S_OK;
}

HRESULT NVidiaStereoWindow::DeleteDeviceObjects() {
    std::lock_guard<std::recursive_mutex> lock(drawing_);
    framePicture_ = nullptr;
    for (NamedTexture& t : textures_) {
        if (t.surface) t.surface->Release();
        t.surface = nullptr;
    }
    return S_OK;
}

HRESULT NVidiaStereoWindow::RenderScene() {
    if (!env_ || !env_->pDevice) return E_FAIL;
    HRESULT hr = env_->pDevice->BeginScene();
    if (SUCCEEDED(hr)) hr = env_->pDevice->EndScene();
    return hr;
}

HRESULT NVidiaStereoWindow::FinalCleanup() {
    for (auto it = textures_.begin(); it != textures_.end(); ++it)
        if (it->name == kTextureName) {
            if (it->surface) it->surface->Release();
            textures_.erase(it);
            break;
        }
    return S_OK;
}

void NVidiaStereoWindow::DrawViews(HDC dc, int32_t screenWidth, int32_t screenHeight) {
    Frame frame;
    if (!CurrentFrame(&frame)) return;
    // Never exchanged here: the driver swaps the eyes from the header's flags.
    const ShutterViews d =
        ShutterViewsFor(g_nInputLayout, 0, frame.w, frame.h, zoom_, g_bAspect43, screenWidth, screenHeight);
    if (d.zoom > 0) zoom_ = d.zoom;  // zoom steps go on from the fit
    if (!d.Drawable()) return;
    BITMAPINFOHEADER* doubled = nullptr;
    Frame picture = frame;
    if (d.doubled) {
        doubled = DoubledFrame(frame);
        if (!doubled) return;
        picture.header = doubled;
        picture.pixels = DibPixels(doubled);
        picture.h = 2 * frame.h;
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    for (const auto& [source, x] : {std::make_pair(d.first, d.x), std::make_pair(d.second, screenWidth + d.x)}) {
        const bool bottomUp = picture.header->biHeight > 0;
        if (bottomUp && drawDib_ &&
            DrawDibDraw(drawDib_, dc, x, d.y, d.dw, d.dh, const_cast<BITMAPINFOHEADER*>(picture.header),
                        const_cast<BYTE*>(picture.pixels), source.x, source.y, source.width, source.height,
                        DDF_BACKGROUNDPAL))
            continue;
        // DrawDib takes bottom-up pictures only, and a handle that failed
        // once starts afresh; StretchDIBits counts bottom-up rows from the
        // bottom.
        if (drawDib_) DrawDibEnd(drawDib_);
        const int32_t sy = bottomUp ? BottomUpY(source, picture.h) : source.y;
        StretchDIBits(dc, x, d.y, d.dw, d.dh, source.x, sy, source.width, source.height, picture.pixels,
                      reinterpret_cast<const BITMAPINFO*>(picture.header), DIB_RGB_COLORS, SRCCOPY);
    }
    FreePackedDib(doubled);
}

void NVidiaStereoWindow::DrawHelp(HDC dc, int32_t screenWidth) {
    SetBkMode(dc, TRANSPARENT);
    // Black first, then white one pixel right and down, in both halves:
    // each eye reads the same text.
    const struct {
        COLORREF colour;
        int32_t offset;
    } passes[] = {{RGB(0, 0, 0), 2}, {RGB(255, 255, 255), 3}};
    for (const auto& pass : passes) {
        SetTextColor(dc, pass.colour);
        for (int32_t half : {0, screenWidth}) {
            const int32_t x = half + pass.offset;
            const int32_t dy = pass.offset - 2;
            const char* title = Host().String(IDS_HELP_NVIDIA_TITLE);
            TextOutA(dc, x, 22 + dy, title, static_cast<int>(std::strlen(title)));
            for (int i = 0; i <= IDS_HELP_FS_LAST - IDS_HELP_FS_FIRST; ++i) {
                const char* line = Host().String(IDS_HELP_FS_FIRST + i);
                TextOutA(dc, x, 42 + 20 * i + dy, line, static_cast<int>(std::strlen(line)));
            }
        }
    }
}

void NVidiaStereoWindow::DrawFrame() {
    std::lock_guard<std::recursive_mutex> lock(drawing_);
    if (!ready_ || !framePicture_ || !env_ || !env_->pDevice) return;
    const int32_t sw = env_->width, sh = env_->height;

    HDC dc = nullptr;
    if (SUCCEEDED(framePicture_->GetDC(&dc))) {
        RECT all{0, 0, 2 * sw, sh};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        DrawViews(dc, sw, sh);
        if (help_) DrawHelp(dc, sw);
        framePicture_->ReleaseDC(dc);
    }

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (SUCCEEDED(framePicture_->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) {
        auto* lastRow = static_cast<uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(desc.dwHeight - 1) * desc.lPitch;
        WriteStereoImageHeader(lastRow, StereoHeaderFor(sw, sh, env_->bitDepth, g_bSwap));
        framePicture_->Unlock(nullptr);
    }

    IDirectDrawSurface7* target = nullptr;
    if (SUCCEEDED(env_->pDevice->GetRenderTarget(&target)) && target) {
        RECT source{0, 0, 2 * sw, sh};
        RECT screen{0, 0, sw, sh};
        target->Blt(&screen, framePicture_, &source, DDBLT_WAIT | DDBLT_ROP, &blit_);
        target->Release();
    }
    env_->ShowFrame();
}

bool NVidiaStereoWindow::CopyFramePicture(PictureCopy* out) {
    std::lock_guard<std::recursive_mutex> lock(drawing_);
    if (!framePicture_) return false;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(framePicture_->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return false;
    out->width = static_cast<int32_t>(desc.dwWidth);
    out->height = static_cast<int32_t>(desc.dwHeight);
    out->pitch = desc.lPitch;
    out->bitDepth = static_cast<int32_t>(desc.ddpfPixelFormat.dwRGBBitCount);
    const auto* bytes = static_cast<const uint8_t*>(desc.lpSurface);
    out->bytes.assign(bytes, bytes + static_cast<size_t>(desc.lPitch) * desc.dwHeight);
    framePicture_->Unlock(nullptr);
    return true;
}

void NVidiaStereoWindow::StartGraph(HWND window) {
    buildFailed_ = false;
    if (FAILED(Host().BuildFullScreenGraph(window, file_.c_str()))) {
        // The build has said why; the window goes and the movie returns to
        // the main window where it was.
        buildFailed_ = true;
        PostMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    SeekSavedPosition();
    if (g_nSavedState != PlayState::Running) TogglePauseResume();
}

void NVidiaStereoWindow::CloseWindow(HWND window) {
    if (!buildFailed_) {
        SaveFullScreenPosition();
        g_nSavedState = g_nPlayState;
    }
    DestroyWindow(window);
}

void NVidiaStereoWindow::ChangeZoom(int32_t zoom) {
    zoom_ = zoom;
    DrawFrame();
}

void NVidiaStereoWindow::OnKeyUp(HWND window, WPARAM key) {
    switch (key) {
    case VK_F2: TogglePauseResume(); break;
    case VK_F3: ToggleRestart(); break;
    case 'X':
        g_bSwap = 1 - g_bSwap;
        DrawFrame();
        break;
    case VK_F1:
    case 'H':
        help_ = 1 - help_;
        DrawFrame();
        break;
    case 'F': ChangeZoom(0); break;
    case 'J': ChangeZoom(100); break;
    case 'W': ChangeZoom(200); break;
    case VK_PRIOR: ChangeZoom(ZoomIn(zoom_)); break;
    case VK_NEXT: ChangeZoom(ZoomOut(zoom_)); break;
    case VK_ESCAPE:
    case VK_RETURN: SendMessageA(window, WM_CLOSE, 0, 0); break;
    default: break;
    }
}

LRESULT NVidiaStereoWindow::StereoAppMessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        window_ = window;
        zoom_ = 0;
        nothingCursor_ = LoadCursorA(instance_, "NOTHING");
        closeCursor_ = LoadCursorA(instance_, "CLOSEH");
        SetCursor(nothingCursor_);
        PostMessageA(window, kStartGraphMessage, 0, 0);
        return 0;
    case WM_SETCURSOR: SetCursor(nothingCursor_); return TRUE;
    case kStartGraphMessage: StartGraph(window); return 0;
    case WM_GRAPHNOTIFY: HandleGraphEvents(); return 0;
    case WM_CLOSE: CloseWindow(window); return 0;
    case WM_DESTROY:
        ReleaseFullScreenGraph();
        SetRunningPresenter(nullptr);
        {
            std::lock_guard<std::recursive_mutex> lock(drawing_);
            if (drawDib_) DrawDibClose(drawDib_);
            drawDib_ = nullptr;
            DeleteDeviceObjects();
            CleanupEnvironment();
        }
        window_ = nullptr;
        if (loopRunning_) PostQuitMessage(0);
        return 0;
    case WM_LBUTTONDOWN: TogglePauseResume(); return 0;
    case WM_RBUTTONDOWN: ToggleRestart(); return 0;
    case WM_LBUTTONDBLCLK:
        if (active_ && ready_) {
            std::lock_guard<std::recursive_mutex> lock(drawing_);
            const HRESULT hr = ToggleWindowed();
            if (FAILED(hr)) {
                ShowFrameworkError(hr, FrameworkErrorKind::Exit);
                PostMessageA(window, WM_CLOSE, 0, 0);
            }
        }
        return 0;
    case WM_MOUSEWHEEL: {
        const int direction = WheelZoomDirection(HIWORD(wParam));
        if (direction != 0) ChangeZoom(direction > 0 ? ZoomIn(zoom_) : ZoomOut(zoom_));
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) ToggleFrameStep();
        if (wParam == VK_BACK) StepFrameBack();
        break;
    case WM_KEYUP: OnKeyUp(window, wParam); break;
    default: return StereoAppBase::StereoAppMessageProc(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

NVidiaStereoWindow& TheNVidiaStereoWindow() {
    static NVidiaStereoWindow window;
    return window;
}

namespace {
void DrawNVidiaFrame() { TheNVidiaStereoWindow().DrawFrame(); }
}  // namespace

int RunNVidiaStereo(HINSTANCE instance, const char* file) {
    NVidiaStereoWindow& app = TheNVidiaStereoWindow();
    if (FAILED(app.CreateStereoApp(instance))) return 0;
    g_hFullScreenWnd = app.Window();
    g_bOwnFullScreen = 1;
    SetRunningPresenter(&kNvidiaPresenter);
    app.RunStereoApp(file);
    SetRunningPresenter(nullptr);
    g_bOwnFullScreen = 0;
    g_hFullScreenWnd = nullptr;
    return 1;
}

const FullScreenPresenter kNvidiaPresenter = {
    PresenterId::Nvidia,
    nullptr,  // CreateStereoApp registers "nVidiaStereo" itself
    nullptr,
    "NOTHING",
    true,
    nullptr,  // DirectDraw is always there; a display it cannot use is reported when the window starts
    RunNVidiaStereo,
    DrawNVidiaFrame,
    1000,  // the display mode settles before the first frame
};

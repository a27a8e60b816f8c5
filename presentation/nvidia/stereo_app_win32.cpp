#include "presentation/nvidia/stereo_app_win32.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "presentation/presenter_host.h"

namespace {

// The window whose procedure runs: the framework's windows come one at a
// time.
StereoAppBase* g_pStereoApp = nullptr;

template <typename T>
void ReleaseAndClear(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

// ------------------------------------------------------------ enumeration

struct DriverEnumeration {
    const ShutterScreenMode* preferred;
    std::vector<StereoDeviceInfo>* devices;
    int drivers = 0;
};

struct DeviceEnumeration {
    const ShutterScreenMode* preferred;
    std::vector<StereoDeviceInfo>* devices;
    const StereoDeviceInfo* driver;  // the driver's part, filled
    const std::vector<StereoModeEntry>* modes;
};

HRESULT WINAPI ModeFound(DDSURFACEDESC2* desc, void* context) {
    auto* modes = static_cast<std::vector<StereoModeEntry>*>(context);
    StereoModeEntry m;
    m.width = static_cast<int32_t>(desc->dwWidth);
    m.height = static_cast<int32_t>(desc->dwHeight);
    m.bitDepth = static_cast<int32_t>(desc->ddpfPixelFormat.dwRGBBitCount);
    m.refreshRate = static_cast<int32_t>(desc->dwRefreshRate);
    m.stereo = (desc->ddsCaps.dwCaps2 & DDSCAPS2_STEREOSURFACELEFT) != 0;
    modes->push_back(m);
    return DDENUMRET_OK;
}

StereoDeviceKind KindOf(const GUID& device) {
    if (IsEqualGUID(device, IID_IDirect3DTnLHalDevice)) return StereoDeviceKind::TnLHal;
    if (IsEqualGUID(device, IID_IDirect3DHALDevice)) return StereoDeviceKind::Hal;
    if (IsEqualGUID(device, IID_IDirect3DRefDevice)) return StereoDeviceKind::Reference;
    return StereoDeviceKind::Software;
}

bool RendersInto(const D3DDEVICEDESC7& desc, int32_t depth) {
    switch (depth) {
    case 16: return (desc.dwDeviceRenderBitDepth & DDBD_16) != 0;
    case 24: return (desc.dwDeviceRenderBitDepth & DDBD_24) != 0;
    case 32: return (desc.dwDeviceRenderBitDepth & DDBD_32) != 0;
    default: return false;
    }
}

HRESULT CALLBACK DeviceFound(char* description, char* name, D3DDEVICEDESC7* desc, void* context) {
    auto* e = static_cast<DeviceEnumeration*>(context);
    StereoDeviceInfo info = *e->driver;
    info.deviceGuid = desc->deviceGUID;
    info.deviceName = name ? name : (description ? description : "");
    info.kind = KindOf(desc->deviceGUID);
    info.hardware = info.kind == StereoDeviceKind::TnLHal || info.kind == StereoDeviceKind::Hal;
    for (const StereoModeEntry& m : *e->modes)
        if (RendersInto(*desc, m.bitDepth)) info.modes.push_back(m);
    info.stereo = std::any_of(info.modes.begin(), info.modes.end(), [](const StereoModeEntry& m) { return m.stereo; });
    const ShutterScreenMode& p = *e->preferred;
    const int listed = FindMode(info.modes, p.width, p.height, p.bitDepth);
    if (listed >= 0) {
        info.mode = info.modes[static_cast<size_t>(listed)];
    } else {
        info.mode.width = p.width;
        info.mode.height = p.height;
        info.mode.bitDepth = p.bitDepth;
    }
    e->devices->push_back(info);
    return D3DENUMRET_OK;
}

BOOL WINAPI DriverFound(GUID* guid, LPSTR description, LPSTR /*name*/, LPVOID context, HMONITOR) {
    auto* e = static_cast<DriverEnumeration*>(context);
    IDirectDraw7* dd = nullptr;
    if (FAILED(DirectDrawCreateEx(guid, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr))) return TRUE;
    ++e->drivers;
    StereoDeviceInfo driver;
    driver.primaryDriver = guid == nullptr;
    if (guid) driver.driverGuid = *guid;
    driver.driverName = description ? description : "";
    std::vector<StereoModeEntry> modes;
    dd->EnumDisplayModes(0, nullptr, &modes, ModeFound);
    std::sort(modes.begin(), modes.end(), ModeBefore);
    IDirect3D7* d3d = nullptr;
    if (SUCCEEDED(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d)))) {
        DeviceEnumeration de{e->preferred, e->devices, &driver, &modes};
        d3d->EnumDevices(DeviceFound, &de);
        d3d->Release();
    }
    dd->Release();
    return TRUE;
}

HRESULT CALLBACK ZBufferFormatFound(DDPIXELFORMAT* format, void* context) {
    auto* formats = static_cast<std::vector<DDPIXELFORMAT>*>(context);
    formats->push_back(*format);
    return D3DENUMRET_OK;
}

}  // namespace

HRESULT EnumerateStereoDevices(const ShutterScreenMode& preferred, std::vector<StereoDeviceInfo>* devices) {
    devices->clear();
    DriverEnumeration e{&preferred, devices};
    DirectDrawEnumerateExA(DriverFound, &e,
                           DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                               DDENUM_NONDISPLAYDEVICES);
    if (e.drivers == 0) return static_cast<HRESULT>(stereo_error::kEnumerationFailed);
    if (devices->empty()) return static_cast<HRESULT>(stereo_error::kNoDirect3dDevices);
    return S_OK;
}

HRESULT SelectStereoDevice(std::vector<StereoDeviceInfo>& devices, bool softwareOnly, StereoDeviceInfo** chosen) {
    std::vector<StereoDeviceCandidate> candidates;
    for (const StereoDeviceInfo& d : devices)
        candidates.push_back({d.kind, static_cast<int32_t>(d.modes.size())});
    const int index = SelectDeviceIndex(candidates, softwareOnly);
    if (index < 0) return static_cast<HRESULT>(stereo_error::kNoCompatibleDevices);
    *chosen = &devices[static_cast<size_t>(index)];
    return S_OK;
}

// ------------------------------------------------------------ environment

HRESULT StereoDisplayEnvironment::Create(HWND window, const GUID* driver, const GUID& device,
                                         const StereoModeEntry& mode, DWORD flags) {
    Destroy();
    window_ = window;
    fullScreen = (flags & kFullScreen) != 0;
    stereo = fullScreen && (flags & kStereo) != 0;
    HRESULT hr = CreateDirectDraw(driver);
    if (SUCCEEDED(hr)) hr = fullScreen ? CreateFullScreenBuffers(mode) : CreateWindowedBuffers();
    // The z-buffer goes on the back buffer before the device is made on it,
    // so that the device finds it attached.
    if (SUCCEEDED(hr) && (flags & kZBuffer)) hr = CreateZBuffer(device);
    if (SUCCEEDED(hr)) hr = CreateDirect3D(device);
    if (FAILED(hr)) Destroy();
    return hr;
}

HRESULT StereoDisplayEnvironment::CreateDirectDraw(const GUID* driver) {
    using namespace stereo_error;
    if (FAILED(DirectDrawCreateEx(const_cast<GUID*>(driver), reinterpret_cast<void**>(&pDD), IID_IDirectDraw7,
                                  nullptr)))
        return static_cast<HRESULT>(kDirectDraw);
    // Without DDSCL_FPUPRESERVE Direct3D on Windows switches the x87 unit
    // of the whole process to single precision when the device is made,
    // which every later double computation (positions, rates) would
    // suffer. Wine's Direct3D leaves the control word alone either way, so
    // the tests cannot see the flag's effect. DrawFrame runs on the
    // streaming thread while this window's thread checks the cooperative
    // level: the objects are used from two threads.
    DWORD level = fullScreen ? DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT : DDSCL_NORMAL;
    level |= DDSCL_FPUPRESERVE | DDSCL_MULTITHREADED;
    if (FAILED(pDD->SetCooperativeLevel(window_, level))) return static_cast<HRESULT>(kCooperativeLevel);
    return S_OK;
}

HRESULT StereoDisplayEnvironment::CreateFullScreenBuffers(const StereoModeEntry& mode) {
    using namespace stereo_error;
    if (mode.width <= 0 || mode.height <= 0 || mode.bitDepth <= 0) return static_cast<HRESULT>(kDisplayMode);
    const DWORD vga = mode.width == 320 && mode.height == 200 && mode.bitDepth == 8 ? DDSDM_STANDARDVGAMODE : 0;
    if (FAILED(pDD->SetDisplayMode(static_cast<DWORD>(mode.width), static_cast<DWORD>(mode.height),
                                   static_cast<DWORD>(mode.bitDepth), static_cast<DWORD>(mode.refreshRate), vga)))
        return static_cast<HRESULT>(kDisplayMode);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    if (stereo) {
        desc.ddsCaps.dwCaps |= DDSCAPS_VIDEOMEMORY;
        desc.ddsCaps.dwCaps2 |= DDSCAPS2_STEREOSURFACELEFT;
    }
    desc.dwBackBufferCount = 1;
    HRESULT hr = pDD->CreateSurface(&desc, &pddsFront, nullptr);
    if (FAILED(hr)) return hr == DDERR_OUTOFVIDEOMEMORY ? hr : static_cast<HRESULT>(kPrimary);

    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (FAILED(pddsFront->GetAttachedSurface(&caps, &pddsBack))) return static_cast<HRESULT>(kBackBuffer);
    if (stereo) {
        DDSCAPS2 left{};
        left.dwCaps2 = DDSCAPS2_STEREOSURFACELEFT;
        if (FAILED(pddsBack->GetAttachedSurface(&left, &pddsBackLeft))) return static_cast<HRESULT>(kBackBuffer);
    }
    width = mode.width;
    height = mode.height;
    bitDepth = mode.bitDepth;
    rcScreen = {0, 0, width, height};
    return S_OK;
}

void StereoDisplayEnvironment::UpdateScreenRect() {
    GetClientRect(window_, &rcScreen);
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    OffsetRect(&rcScreen, origin.x, origin.y);
}

HRESULT StereoDisplayEnvironment::CreateWindowedBuffers() {
    using namespace stereo_error;
    DDSURFACEDESC2 current{};
    current.dwSize = sizeof current;
    if (FAILED(pDD->GetDisplayMode(&current)) || current.ddpfPixelFormat.dwRGBBitCount <= 8)
        return static_cast<HRESULT>(kDesktopDepth);
    bitDepth = static_cast<int32_t>(current.ddpfPixelFormat.dwRGBBitCount);
    UpdateScreenRect();
    width = rcScreen.right - rcScreen.left;
    height = rcScreen.bottom - rcScreen.top;
    if (width <= 0 || height <= 0) return static_cast<HRESULT>(kBackBuffer);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    HRESULT hr = pDD->CreateSurface(&desc, &pddsFront, nullptr);
    if (FAILED(hr)) return hr == DDERR_OUTOFVIDEOMEMORY ? hr : static_cast<HRESULT>(kPrimary);

    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(pDD->CreateClipper(0, &clipper, nullptr))) return static_cast<HRESULT>(kClipper);
    hr = clipper->SetHWnd(0, window_);
    if (SUCCEEDED(hr)) hr = pddsFront->SetClipper(clipper);
    clipper->Release();
    if (FAILED(hr)) return static_cast<HRESULT>(kClipper);

    desc = DDSURFACEDESC2{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    hr = pDD->CreateSurface(&desc, &pddsBack, nullptr);
    if (FAILED(hr)) return hr == DDERR_OUTOFVIDEOMEMORY ? hr : static_cast<HRESULT>(kBackBuffer);
    return S_OK;
}

HRESULT StereoDisplayEnvironment::CreateDirect3D(const GUID& device) {
    using namespace stereo_error;
    if (!pD3D && FAILED(pDD->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&pD3D))))
        return static_cast<HRESULT>(kDirect3d);
    if (FAILED(pD3D->CreateDevice(device, pddsBack, &pDevice))) return static_cast<HRESULT>(kDevice);
    D3DVIEWPORT7 viewport{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f};
    if (FAILED(pDevice->SetViewport(&viewport))) return static_cast<HRESULT>(kViewport);
    return S_OK;
}

HRESULT StereoDisplayEnvironment::CreateZBuffer(const GUID& device) {
    using namespace stereo_error;
    if (!pD3D && FAILED(pDD->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&pD3D))))
        return static_cast<HRESULT>(kDirect3d);
    std::vector<DDPIXELFORMAT> formats;
    pD3D->EnumZBufferFormats(device, ZBufferFormatFound, &formats);
    if (formats.empty()) return static_cast<HRESULT>(kZBuffer);
    DDPIXELFORMAT format = formats.front();
    for (const DDPIXELFORMAT& f : formats)
        if (f.dwZBufferBitDepth == 16) {
            format = f;
            break;
        }
    zBufferMemory = (IsEqualGUID(device, IID_IDirect3DTnLHalDevice) || IsEqualGUID(device, IID_IDirect3DHALDevice))
                        ? DDSCAPS_VIDEOMEMORY
                        : DDSCAPS_SYSTEMMEMORY;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | zBufferMemory;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddpfPixelFormat = format;
    if (FAILED(pDD->CreateSurface(&desc, &pddsZBuffer, nullptr))) return static_cast<HRESULT>(kZBuffer);
    if (FAILED(pddsBack->AddAttachedSurface(pddsZBuffer))) return static_cast<HRESULT>(kZBuffer);
    if (pddsBackLeft && FAILED(pddsBackLeft->AddAttachedSurface(pddsZBuffer))) return static_cast<HRESULT>(kZBuffer);
    return S_OK;
}

HRESULT StereoDisplayEnvironment::Destroy() {
    ReleaseAndClear(pDevice);
    ReleaseAndClear(pddsZBuffer);
    ReleaseAndClear(pddsBackLeft);
    ReleaseAndClear(pddsBack);
    ReleaseAndClear(pddsFront);
    ReleaseAndClear(pD3D);
    HRESULT hr = S_OK;
    if (pDD) {
        if (fullScreen) pDD->RestoreDisplayMode();
        pDD->SetCooperativeLevel(window_, DDSCL_NORMAL);
        if (pDD->Release() > 0) hr = static_cast<HRESULT>(stereo_error::kReferencesLeft);
        pDD = nullptr;
    }
    width = height = bitDepth = 0;
    return hr;
}

HRESULT StereoDisplayEnvironment::ShowFrame() {
    if (!pddsFront) return static_cast<HRESULT>(stereo_error::kPrimary);
    if (fullScreen) return pddsFront->Flip(nullptr, DDFLIP_WAIT | (stereo ? DDFLIP_STEREO : 0));
    return pddsFront->Blt(&rcScreen, pddsBack, nullptr, DDBLT_WAIT, nullptr);
}

HRESULT StereoDisplayEnvironment::RestoreAllSurfaces() {
    return pDD ? pDD->RestoreAllSurfaces() : static_cast<HRESULT>(stereo_error::kDirectDraw);
}

// ------------------------------------------------------------ the window

StereoAppBase::StereoAppBase() = default;

StereoAppBase::~StereoAppBase() {
    delete env_;
    if (g_pStereoApp == this) g_pStereoApp = nullptr;
}

ShutterScreenMode StereoAppBase::ScreenMode() const {
    ShutterScreenMode m;
    if (env_) {
        m.width = env_->width;
        m.height = env_->height;
        m.bitDepth = env_->bitDepth;
    }
    return m;
}

void StereoAppBase::ShowFrameworkError(HRESULT result, FrameworkErrorKind kind) {
    // A box would stay hidden behind the exclusive flipping chain.
    if (env_ && env_->pDD && env_->fullScreen) env_->pDD->FlipToGDISurface();
    const std::string text = FrameworkErrorText(static_cast<uint32_t>(result), kind);
    const UINT icon = kind == FrameworkErrorKind::Exit ? MB_ICONERROR : MB_ICONWARNING;
    Host().ShowMessageBox(window_, text.c_str(), title_.c_str(), MB_OK | icon);
}

HRESULT StereoAppBase::CreateStereoApp(HINSTANCE instance) {
    instance_ = instance;
    ready_ = false;
    preferred_ = ShutterScreenModeOf(Host().Setting("n3DSize"), Host().Setting("n3DBpp"));

    HRESULT hr = EnumerateStereoDevices(preferred_, &devices_);
    if (SUCCEEDED(hr)) hr = SelectStereoDevice(devices_, false, &device_);
    if (SUCCEEDED(hr)) hr = PrepareScene();
    if (FAILED(hr)) {
        ShowFrameworkError(hr, FrameworkErrorKind::Exit);
        return hr;
    }
    if (!env_) env_ = new (std::nothrow) StereoDisplayEnvironment;
    if (!env_) {
        ShowFrameworkError(E_OUTOFMEMORY, FrameworkErrorKind::Exit);
        return E_OUTOFMEMORY;
    }

    WNDCLASSA wc{};
    if (!GetClassInfoA(instance, className_.c_str(), &wc)) {
        wc = WNDCLASSA{};
        wc.style = CS_DBLCLKS;  // the double click switches window and full screen
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hIcon = iconName_ ? LoadIconA(instance, iconName_) : nullptr;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = className_.c_str();
        RegisterClassA(&wc);
    }
    g_pStereoApp = this;
    const StereoModeEntry& mode = device_->mode;
    window_ = CreateWindowA(className_.c_str(), title_.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                            CW_USEDEFAULT, mode.width > 0 ? mode.width : CW_USEDEFAULT,
                            mode.height > 0 ? mode.height : CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window_) {
        ShowFrameworkError(E_FAIL, FrameworkErrorKind::Exit);
        FinalCleanup();
        return E_FAIL;
    }
    UpdateWindow(window_);
    active_ = true;

    hr = InitialiseEnvironment();
    if (FAILED(hr)) {
        ShowFrameworkError(hr, FrameworkErrorKind::Exit);
        HWND window = window_;
        CleanupEnvironment();
        DestroyWindow(window);
        window_ = nullptr;
        return E_FAIL;
    }
    baseTime_ = GetTickCount();
    statsStart_ = baseTime_;
    frames_ = 0;
    ready_ = true;
    return S_OK;
}

HRESULT StereoAppBase::InitialiseEnvironment() {
    using namespace stereo_error;
    for (;;) {
        DWORD flags = 0;
        if (!device_->windowed) flags |= StereoDisplayEnvironment::kFullScreen;
        if (device_->stereo) flags |= StereoDisplayEnvironment::kStereo;
        if (wantZBuffer_) flags |= StereoDisplayEnvironment::kZBuffer;
        HRESULT hr = env_->Create(window_, device_->primaryDriver ? nullptr : &device_->driverGuid,
                                  device_->deviceGuid, device_->mode, flags);
        if (SUCCEEDED(hr)) {
            hr = CreateDeviceObjects();
            if (SUCCEEDED(hr)) return S_OK;
            DeleteDeviceObjects();
            env_->Destroy();
        }
        // A software device cannot help where the display itself refused:
        // no DirectDraw, no cooperative level, a mode it cannot show.
        const uint32_t code = static_cast<uint32_t>(hr);
        const bool displayFailure =
            code == kDirectDraw || code == kCooperativeLevel || code == kDisplayMode || code == kDesktopDepth;
        if (!device_->hardware || displayFailure) return hr;
        ShowFrameworkError(hr, FrameworkErrorKind::SwitchToSoftware);
        const bool windowed = device_->windowed;
        hr = SelectStereoDevice(devices_, true, &device_);
        if (FAILED(hr)) return hr;
        device_->windowed = windowed;
    }
}

HRESULT StereoAppBase::CleanupEnvironment() {
    ready_ = false;
    HRESULT hr = S_OK;
    if (env_) {
        DeleteDeviceObjects();
        hr = env_->Destroy();
    }
    FinalCleanup();
    if (hr == static_cast<HRESULT>(stereo_error::kReferencesLeft))
        ShowFrameworkError(hr, FrameworkErrorKind::Note);
    return hr;
}

HRESULT StereoAppBase::ToggleWindowed() {
    if (!env_ || !device_) return E_FAIL;
    ready_ = false;
    DeleteDeviceObjects();
    env_->Destroy();
    device_->windowed = !device_->windowed;
    if (device_->windowed) {
        // Back to a framed window of the mode's size.
        SetWindowLongA(window_, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, device_->mode.width, device_->mode.height,
                     SWP_NOMOVE | SWP_SHOWWINDOW);
    }
    const HRESULT hr = InitialiseEnvironment();
    if (SUCCEEDED(hr)) ready_ = true;
    return hr;
}

void StereoAppBase::UpdateStats() {
    ++frames_;
    const DWORD now = GetTickCount();
    if (now - statsStart_ < 1000) return;
    const double fps = frames_ * 1000.0 / (now - statsStart_);
    std::snprintf(stats_, sizeof stats_, "%s %7.02f fps (%dx%dx%d)", title_.c_str(), fps, env_ ? env_->width : 0,
                  env_ ? env_->height : 0, env_ ? env_->bitDepth : 0);
    statsStart_ = now;
    frames_ = 0;
}

HRESULT StereoAppBase::RenderEnvironment() {
    if (!env_ || !env_->pDD) return E_FAIL;
    HRESULT hr = env_->pDD->TestCooperativeLevel();
    if (FAILED(hr)) {
        if (hr == DDERR_EXCLUSIVEMODEALREADYSET || hr == DDERR_NOEXCLUSIVEMODE) return S_OK;
        if (hr == DDERR_WRONGMODE && device_ && device_->windowed) {
            // The desktop changed its mode under the window: start afresh.
            DeleteDeviceObjects();
            env_->Destroy();
            return InitialiseEnvironment();
        }
        return hr;
    }
    AnimateScene(static_cast<float>(GetTickCount() - baseTime_) / 1000.0f);
    if (env_->stereo && env_->fullScreen && env_->pddsBackLeft) {
        env_->pDevice->SetRenderTarget(env_->pddsBackLeft, 0);
        RenderScene();
        env_->pDevice->SetRenderTarget(env_->pddsBack, 0);
        RenderScene();
    } else {
        RenderScene();
    }
    if (showStats_) UpdateStats();
    hr = env_->ShowFrame();
    if (hr == DDERR_SURFACELOST) {
        env_->RestoreAllSurfaces();
        RestoreSurfaces();
        hr = S_OK;
    }
    return hr;
}

INT StereoAppBase::RunStereoApp(const char* file) {
    file_ = file ? file : "";
    drawDib_ = DrawDibOpen();
    loopRunning_ = true;
    MSG msg{};
    for (;;) {
        if (active_) {
            bool quit = false;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    break;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (quit) break;
            if (ready_ && window_) {
                if (FAILED(RenderEnvironment())) DestroyWindow(window_);
                // The frames come from the streaming thread; between the
                // checks this thread waits for input instead of spinning.
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            }
        } else {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    loopRunning_ = false;
    return static_cast<INT>(msg.wParam);
}

LRESULT StereoAppBase::OnQuerySuspend(DWORD) {
    PauseStereoApp(true);
    return TRUE;
}

LRESULT StereoAppBase::OnResumeSuspend(DWORD) {
    PauseStereoApp(false);
    return TRUE;
}

void StereoAppBase::PauseStereoApp(bool pause) {
    const int before = pauseCount_;
    pauseCount_ = std::max(0, pauseCount_ + (pause ? 1 : -1));
    const DWORD now = GetTickCount();
    if (before == 0 && pauseCount_ > 0) stopTime_ = now;
    if (before > 0 && pauseCount_ == 0) baseTime_ += now - stopTime_;
    active_ = pauseCount_ == 0;
}

LRESULT StereoAppBase::StereoAppMessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        if (env_ && ready_ && device_ && device_->windowed) env_->ShowFrame();
        break;
    case WM_MOVE:
        if (env_ && ready_ && device_ && device_->windowed) env_->UpdateScreenRect();
        break;
    case WM_SIZE:
        active_ = !(wParam == SIZE_MAXHIDE || wParam == SIZE_MINIMIZED) && pauseCount_ == 0;
        break;
    case WM_ENTERMENULOOP: PauseStereoApp(true); break;
    case WM_EXITMENULOOP: PauseStereoApp(false); break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMQUERYSUSPEND) return OnQuerySuspend(static_cast<DWORD>(lParam));
        if (wParam == PBT_APMRESUMESUSPEND) return OnResumeSuspend(static_cast<DWORD>(lParam));
        break;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY:
        CleanupEnvironment();
        window_ = nullptr;
        if (loopRunning_) PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK StereoAppBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_pStereoApp) return g_pStereoApp->StereoAppMessageProc(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

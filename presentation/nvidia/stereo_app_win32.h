// A small framework for full-screen DirectDraw 7 / Direct3D 7 windows: the
// display environment (DirectDraw, the flipping chain, Direct3D and its
// device), the choice of device and display mode, the window with its
// message loop, and the framework's error messages. A window derives from
// StereoAppBase and fills the virtual slots it needs.
#pragma once
#include <windows.h>
#include <ddraw.h>
#include <d3d.h>
#include <vfw.h>

#include <string>
#include <vector>

#include "presentation/nvidia/nvidia_geometry.h"
#include "presentation/nvidia/stereo_framework.h"
#include "presentation/shutter_views.h"

// One Direct3D device of one DirectDraw driver, with the display modes it
// can render into.
struct StereoDeviceInfo {
    GUID driverGuid{};
    bool primaryDriver = true;  // the display driver itself (no GUID)
    std::string driverName;
    GUID deviceGuid{};
    std::string deviceName;
    StereoDeviceKind kind = StereoDeviceKind::Software;
    bool hardware = false;
    bool stereo = false;    // a kept mode has left and right buffers
    bool windowed = false;  // runs in a window instead of full screen
    std::vector<StereoModeEntry> modes;
    // The full-screen mode to set: the listed mode equal to the preferred
    // one (with its refresh rate), else the preferred mode itself, so that
    // setting it tells whether the display can.
    StereoModeEntry mode;
};

// Fills `devices` with every device of every DirectDraw driver; modes
// sorted, `preferred` chosen. kEnumerationFailed without a driver,
// kNoDirect3dDevices without a device.
HRESULT EnumerateStereoDevices(const ShutterScreenMode& preferred, std::vector<StereoDeviceInfo>* devices);
// The device to use (see SelectDeviceIndex); kNoCompatibleDevices: none.
HRESULT SelectStereoDevice(std::vector<StereoDeviceInfo>& devices, bool softwareOnly, StereoDeviceInfo** chosen);

// DirectDraw, the primary surface with its back buffer (and the left back
// buffer in stereo), Direct3D, its device and the optional z-buffer.
class StereoDisplayEnvironment {
public:
    enum Flags : DWORD { kFullScreen = 1, kStereo = 2, kZBuffer = 4 };

    StereoDisplayEnvironment() = default;
    ~StereoDisplayEnvironment() { Destroy(); }
    StereoDisplayEnvironment(const StereoDisplayEnvironment&) = delete;
    StereoDisplayEnvironment& operator=(const StereoDisplayEnvironment&) = delete;

    // Everything, or nothing and the framework's code of the step that
    // failed.
    HRESULT Create(HWND window, const GUID* driver, const GUID& device, const StereoModeEntry& mode, DWORD flags);
    // Releases everything; kReferencesLeft when the DirectDraw object was
    // still referenced by someone else.
    HRESULT Destroy();
    // Shows the back buffer: a flip in full screen, a copy into the window
    // otherwise.
    HRESULT ShowFrame();
    HRESULT RestoreAllSurfaces();
    // After the window moved or was resized (windowed only).
    void UpdateScreenRect();

    IDirectDraw7* pDD = nullptr;
    IDirectDrawSurface7* pddsFront = nullptr;
    IDirectDrawSurface7* pddsBack = nullptr;
    IDirectDrawSurface7* pddsBackLeft = nullptr;  // stereo only
    IDirect3D7* pD3D = nullptr;
    IDirect3DDevice7* pDevice = nullptr;
    IDirectDrawSurface7* pddsZBuffer = nullptr;
    RECT rcScreen{};
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitDepth = 0;
    bool fullScreen = false;
    bool stereo = false;
    DWORD zBufferMemory = DDSCAPS_SYSTEMMEMORY;  // video memory for hardware devices

private:
    HRESULT CreateDirectDraw(const GUID* driver);
    HRESULT CreateFullScreenBuffers(const StereoModeEntry& mode);
    HRESULT CreateWindowedBuffers();
    HRESULT CreateDirect3D(const GUID& device);
    HRESULT CreateZBuffer(const GUID& device);
    HWND window_ = nullptr;
};

class StereoAppBase {
public:
    StereoAppBase();
    virtual ~StereoAppBase();
    StereoAppBase(const StereoAppBase&) = delete;
    StereoAppBase& operator=(const StereoAppBase&) = delete;

    // The virtual slots, in their order.
    virtual HRESULT RenderEnvironment();
    virtual HRESULT PrepareScene() { return S_OK; }
    virtual HRESULT CreateDeviceObjects() { return S_OK; }
    virtual void DrawFrame() {}
    virtual HRESULT DeleteDeviceObjects() { return S_OK; }
    virtual HRESULT RenderScene() { return S_OK; }
    virtual HRESULT AnimateScene(float /*seconds*/) { return S_OK; }
    virtual HRESULT RestoreSurfaces() { return S_OK; }
    virtual HRESULT FinalCleanup() { return S_OK; }
    virtual LRESULT OnQuerySuspend(DWORD flags);
    virtual LRESULT OnResumeSuspend(DWORD data);
    virtual HRESULT CreateStereoApp(HINSTANCE instance);
    virtual INT RunStereoApp(const char* file);
    virtual LRESULT StereoAppMessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PauseStereoApp(bool pause);

    HWND Window() const { return window_; }
    bool Ready() const { return ready_; }
    const StereoDisplayEnvironment* Environment() const { return env_; }
    const StereoDeviceInfo* Device() const { return device_; }
    // The mode the window runs in (width, height, depth).
    ShutterScreenMode ScreenMode() const;

protected:
    // The display environment for the chosen device: made, its device
    // objects created; a hardware device that fails gives way to a
    // software one.
    HRESULT InitialiseEnvironment();
    // Device objects, then the environment; kReferencesLeft when DirectDraw
    // was left referenced.
    HRESULT CleanupEnvironment();
    // Between windowed and full screen (double click).
    HRESULT ToggleWindowed();
    void ShowFrameworkError(HRESULT result, FrameworkErrorKind kind);

    // Fixed values of the deriving window.
    std::string title_ = "StereoApp";
    std::string className_ = "StereoApp";
    const char* iconName_ = nullptr;
    bool wantZBuffer_ = false;

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    bool active_ = false;
    bool ready_ = false;
    StereoDisplayEnvironment* env_ = nullptr;
    std::vector<StereoDeviceInfo> devices_;
    StereoDeviceInfo* device_ = nullptr;
    ShutterScreenMode preferred_;
    DWORD baseTime_ = 0;
    DWORD stopTime_ = 0;
    int pauseCount_ = 0;
    bool showStats_ = false;
    char stats_[90] = "";
    std::string file_;
    HDRAWDIB drawDib_ = nullptr;
    // RunStereoApp's loop runs: only then does a closing window end it. A
    // window that failed to start must leave no quit message behind, or
    // the shell's own loop would take it and end the program.
    bool loopRunning_ = false;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void UpdateStats();
    DWORD frames_ = 0;
    DWORD statsStart_ = 0;
};

// The nVidia stereo window: shutter glasses through the nVidia consumer
// stereo driver. Every movie frame becomes one double-width picture, the
// first view in the left half and the second in the right, with the
// stereo image header in its last row; the driver shows each half to one
// eye. Built on the StereoAppBase framework.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "presentation/nvidia/stereo_app_win32.h"
#include "presentation/presenter.h"

class NVidiaStereoWindow final : public StereoAppBase {
public:
    NVidiaStereoWindow();

    HRESULT RenderEnvironment() override;
    HRESULT PrepareScene() override;
    HRESULT CreateDeviceObjects() override;
    // The current movie frame into the picture, the header, then onto the
    // screen. On the streaming thread for every frame, on the window's
    // thread after zoom, help and swap keys.
    void DrawFrame() override;
    HRESULT DeleteDeviceObjects() override;
    HRESULT RenderScene() override;
    HRESULT FinalCleanup() override;
    LRESULT StereoAppMessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    int32_t Zoom() const { return zoom_; }
    int32_t HelpShown() const { return help_; }

    // A copy of the frame picture as it stands after the last draw: its
    // rows top first, `pitch` bytes each, `bitDepth` bits a pixel. False
    // while there is no picture.
    struct PictureCopy {
        int32_t width = 0;
        int32_t height = 0;
        int32_t pitch = 0;
        int32_t bitDepth = 0;
        std::vector<uint8_t> bytes;
    };
    bool CopyFramePicture(PictureCopy* out);

private:
    // A texture registered by name before the device exists; its surface
    // is made with the device objects.
    struct NamedTexture {
        std::string name;
        int32_t width = 0;
        int32_t height = 0;
        int32_t bitDepth = 0;
        IDirectDrawSurface7* surface = nullptr;
    };
    NamedTexture* FindTexture(const char* name);
    void StartGraph(HWND window);
    void CloseWindow(HWND window);
    void OnKeyUp(HWND window, WPARAM key);
    void ChangeZoom(int32_t zoom);
    void DrawViews(HDC dc, int32_t screenWidth, int32_t screenHeight);
    void DrawHelp(HDC dc, int32_t screenWidth);

    std::vector<NamedTexture> textures_;
    IDirectDrawSurface7* framePicture_ = nullptr;  // the named texture's surface
    DDBLTFX blit_{};
    std::atomic<int32_t> zoom_{0};  // percent; 0 fits at the next draw
    std::atomic<int32_t> help_{0};
    HCURSOR nothingCursor_ = nullptr;
    HCURSOR closeCursor_ = nullptr;
    bool buildFailed_ = false;
    // One draw at a time, and none while the picture or the environment
    // is being made or released.
    std::recursive_mutex drawing_;
};

// The single window of the process.
NVidiaStereoWindow& TheNVidiaStereoWindow();

// Runs the window on `file` until it closes: 1, or 0 when it could not
// start (the framework has said why).
int RunNVidiaStereo(HINSTANCE instance, const char* file);

// The window in the presenter list.
extern const FullScreenPresenter kNvidiaPresenter;

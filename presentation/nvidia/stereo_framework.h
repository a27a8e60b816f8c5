// Portable parts of the full-screen DirectDraw/Direct3D window framework:
// its result codes and their messages, the order of display modes, and
// which of the enumerated devices a window takes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The framework's own result codes.
namespace stereo_error {
constexpr uint32_t kNoDirectDraw = 0x81000001;  // "Could not create DirectDraw!"
constexpr uint32_t kEnumerationFailed = 0x81000002;
constexpr uint32_t kNoDirect3dDevices = 0x81000003;
constexpr uint32_t kNoCompatibleDevices = 0x81000004;
constexpr uint32_t kGenericInit = 0x82000000;
constexpr uint32_t kDirectDraw = 0x82000001;
constexpr uint32_t kCooperativeLevel = 0x82000002;
constexpr uint32_t kDirect3d = 0x82000003;
constexpr uint32_t kDevice = 0x82000004;
constexpr uint32_t kZBuffer = 0x82000005;
constexpr uint32_t kZBufferDepth = 0x82000006;
constexpr uint32_t kViewport = 0x82000007;
constexpr uint32_t kPrimary = 0x82000008;
constexpr uint32_t kClipper = 0x82000009;
constexpr uint32_t kDisplayMode = 0x8200000A;
constexpr uint32_t kBackBuffer = 0x8200000B;
constexpr uint32_t kReferencesLeft = 0x8200000C;
constexpr uint32_t kRenderTarget = 0x8200000D;
constexpr uint32_t kDesktopDepth = 0x8200000E;
constexpr uint32_t kOutOfMemory = 0x8007000E;       // E_OUTOFMEMORY
constexpr uint32_t kOutOfVideoMemory = 0x8876017C;  // DDERR_OUTOFVIDEOMEMORY
}  // namespace stereo_error

// How ShowFrameworkError words and marks its box.
enum class FrameworkErrorKind : int32_t {
    Note = 0,             // the message alone, warning icon
    Exit = 1,             // the window will not run: error icon
    SwitchToSoftware = 2, // the hardware device failed: warning icon
};

// The message for a result code (any unknown code: the generic one).
const char* FrameworkErrorMessage(uint32_t result);
// The whole text of the box: the message and what happens next.
std::string FrameworkErrorText(uint32_t result, FrameworkErrorKind kind);

// A display mode as the driver lists it.
struct StereoModeEntry {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitDepth = 0;
    int32_t refreshRate = 0;
    bool stereo = false;  // it offers left and right buffers
};
// Ascending by width, then height, then depth.
bool ModeBefore(const StereoModeEntry& a, const StereoModeEntry& b);
// The index of the mode of that width, height and depth; -1 when none.
int FindMode(const std::vector<StereoModeEntry>& modes, int32_t width, int32_t height, int32_t bitDepth);

// The kinds of Direct3D device, as the choice ranks them.
enum class StereoDeviceKind : int32_t { TnLHal, Hal, Software, Reference };
struct StereoDeviceCandidate {
    StereoDeviceKind kind;
    int32_t usableModes;  // modes it can render into
};
// The device a window takes: among those with a usable mode the first
// transform-and-lighting hardware device, else the first other hardware
// device (neither when `softwareOnly`), else the first software device
// that is not the reference one, else the reference device; -1: none.
int SelectDeviceIndex(const std::vector<StereoDeviceCandidate>& devices, bool softwareOnly);

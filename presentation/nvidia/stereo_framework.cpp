#include "presentation/nvidia/stereo_framework.h"

#include <tuple>

const char* FrameworkErrorMessage(uint32_t result) {
    using namespace stereo_error;
    switch (result) {
    case kNoDirectDraw: return "Could not create DirectDraw!";
    case kEnumerationFailed: return "Enumeration failed. Your system may be in an\nunstable state and need to be rebooted";
    case kNoDirect3dDevices: return "Could not find any compatible Direct3D\ndevices.";
    case kNoCompatibleDevices:
        return "Could not find any compatible devices.\n\nTry enabling the reference rasterizer using\n"
               "EnableRefRast.reg.";
    case kGenericInit: return "Generic initialization error.\n\nEnable debug output for detailed information.";
    case kDirectDraw: return "No DirectDraw";
    case kCooperativeLevel: return "Could not set Cooperative Level";
    case kDirect3d: return "No Direct3D";
    case kDevice:
        return "Could not create the Direct3DDevice object.\nThe 3D hardware chipset may not support\n"
               "rendering in the current display mode.";
    case kZBuffer: return "No ZBuffer";
    case kZBufferDepth: return "Invalid Z-buffer depth. Try switching modes\nfrom 16- to 32-bit (or vice versa)";
    case kViewport: return "No Viewport";
    case kPrimary: return "No primary";
    case kClipper: return "No Clipper";
    case kDisplayMode: return "Bad display mode";
    case kBackBuffer: return "No backbuffer";
    case kReferencesLeft:
        return "A DDraw object has a non-zero reference\ncount (meaning it was not properly cleaned up).";
    case kRenderTarget: return "No render target";
    case kDesktopDepth:
        return "This sample requires a 16-bit (or higher) display mode\nto run in a window.\n\nPlease switch your "
               "desktop settings accordingly.";
    case kOutOfMemory: return "Not enough memory!";
    case kOutOfVideoMemory: return "There was insufficient video memory to use the\nhardware device.";
    default: return "Generic application error.\n\nEnable debug output for detailed information.";
    }
}

std::string FrameworkErrorText(uint32_t result, FrameworkErrorKind kind) {
    std::string text = FrameworkErrorMessage(result);
    if (kind == FrameworkErrorKind::Exit) text += "\n\nThis sample will now exit.";
    if (kind == FrameworkErrorKind::SwitchToSoftware) text += "\n\nSwitching to software rasterizer.";
    return text;
}

bool ModeBefore(const StereoModeEntry& a, const StereoModeEntry& b) {
    return std::tie(a.width, a.height, a.bitDepth) < std::tie(b.width, b.height, b.bitDepth);
}

int FindMode(const std::vector<StereoModeEntry>& modes, int32_t width, int32_t height, int32_t bitDepth) {
    for (size_t i = 0; i < modes.size(); ++i)
        if (modes[i].width == width && modes[i].height == height && modes[i].bitDepth == bitDepth)
            return static_cast<int>(i);
    return -1;
}

int SelectDeviceIndex(const std::vector<StereoDeviceCandidate>& devices, bool softwareOnly) {
    const auto first = [&](auto wanted) {
        for (size_t i = 0; i < devices.size(); ++i)
            if (devices[i].usableModes > 0 && wanted(devices[i].kind)) return static_cast<int>(i);
        return -1;
    };
    int index = -1;
    if (!softwareOnly) {
        index = first([](StereoDeviceKind k) { return k == StereoDeviceKind::TnLHal; });
        if (index < 0) index = first([](StereoDeviceKind k) { return k == StereoDeviceKind::Hal; });
    }
    if (index < 0) index = first([](StereoDeviceKind k) { return k == StereoDeviceKind::Software; });
    if (index < 0) index = first([](StereoDeviceKind k) { return k == StereoDeviceKind::Reference; });
    return index;
}

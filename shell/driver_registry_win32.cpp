// The stereo display drivers' registry values: whether the WinX3D driver is
// installed, and the nVidia driver's stereo switches. Every registry error
// simply ends the operation: a machine without the driver keeps its
// registry as it was.
#include <windows.h>

#include <cstdio>

#include "shell/player_win32.h"

namespace {

constexpr const char* kNvidiaStereoKey = "SOFTWARE\\NVIDIA Corporation\\Global\\Stereo3D";

// The nVidia OpenGL driver's key in the control set that runs now, or false.
bool CurrentNvidiaDeviceKey(char* path, size_t size) {
    HKEY select = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Select", 0, KEY_READ, &select) != ERROR_SUCCESS) return false;
    DWORD current = 0, type = 0, bytes = sizeof current;
    const LONG status =
        RegQueryValueExA(select, "Current", nullptr, &type, reinterpret_cast<BYTE*>(&current), &bytes);
    RegCloseKey(select);
    if (status != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof current) return false;
    // Control sets are numbered 001 ... 999.
    if (current > 999) return false;
    std::snprintf(path, size, "SYSTEM\\ControlSet%03lu\\Services\\nv\\Device0", static_cast<unsigned long>(current));
    return true;
}

// True when `name` exists under `path` of the machine root.
bool ValueExists(const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool exists = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

}  // namespace

bool W3dDriverPresent() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\W3D", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    // Only the key counts; the folder it names is the window's business.
    char folder[100];
    DWORD size = sizeof folder;
    RegQueryValueExA(key, "WIN3D", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    return true;
}

void SetOglStereoSupport(const BYTE value[4]) {
    char path[96];
    if (!CurrentNvidiaDeviceKey(path, sizeof path)) return;
    // Only a driver that has the switch gets it changed.
    if (!ValueExists(path, "Ogl_EnableStereoSupport")) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, "Ogl_EnableStereoSupport", 0, REG_BINARY, value, 4);
    RegCloseKey(key);
}

void SetNvidiaStereo(DWORD value) {
    if (!ValueExists(kNvidiaStereoKey, "StereoEnable")) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNvidiaStereoKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    RegSetValueExA(key, "StereoEnable", 0, REG_DWORD, bytes, sizeof value);
    RegSetValueExA(key, "StereoDefaultOn", 0, REG_DWORD, bytes, sizeof value);
    RegCloseKey(key);
}

void SetDriverSwitchesFor(int shutterDriver) {
    // OpenGL quad-buffer stereo and the nVidia consumer stereo exclude
    // each other: the chosen way on, the other off.
    const bool openGl = shutterDriver == 2;
    const BYTE oglStereo[4] = {static_cast<BYTE>(openGl ? 1 : 0), 0, 0, 0};
    SetOglStereoSupport(oglStereo);
    SetNvidiaStereo(openGl ? 0 : 1);
}

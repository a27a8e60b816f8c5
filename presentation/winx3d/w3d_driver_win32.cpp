#include "presentation/winx3d/w3d_driver_win32.h"

#include <cstring>
#include <string>

#include "presentation/winx3d/w3d_rules.h"

namespace {

constexpr DWORD kLibraryFolderBytes = 260;
constexpr DWORD kLibraryPathBytes = kLibraryFolderBytes + 16;

// The library in the folder that HKLM "SOFTWARE\W3D" "WIN3D" names.
bool LibraryPath(char (&path)[kLibraryPathBytes]) {
    path[0] = '\0';
    if (ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\W3D", "WIN3D", path, kLibraryFolderBytes, nullptr, 0) != 0)
        return false;
    const size_t length = std::strlen(path);
    if (length == 0 || path[length - 1] != '\\') std::strcat(path, "\\");
    std::strcat(path, "W3D_DD.DLL");
    return true;
}

void FreeHandle(W3dDriverHandle* handle) {
    if (!handle) return;
    if (handle->tableA) GlobalFree(handle->tableA);
    GlobalFree(handle);
}

}  // namespace

int32_t LoadW3dDriver(W3dDriverHandle** out) {
    if (!out) return kW3dNoHandle;
    *out = nullptr;
    auto* handle = static_cast<W3dDriverHandle*>(GlobalAlloc(GPTR, sizeof(W3dDriverHandle)));
    if (!handle) return kW3dNoMemory;
    handle->tableA = static_cast<W3dTableA*>(GlobalAlloc(GPTR, sizeof(W3dTableA)));
    if (!handle->tableA) {
        FreeHandle(handle);
        return kW3dNoMemory;
    }

    char path[kLibraryPathBytes];
    if (!LibraryPath(path)) {
        FreeHandle(handle);
        return kW3dNoValue;
    }
    HMODULE module = LoadLibraryA(path);
    auto fill = module ? reinterpret_cast<W3dFillFunctionsFn>(
                                reinterpret_cast<void*>(GetProcAddress(module, "W3D_DDFillFunctions"))) : nullptr;
    if (!fill) {
        if (module) FreeLibrary(module);
        FreeHandle(handle);
        return kW3dNoLibrary;
    }
    handle->size = sizeof(W3dDriverHandle);
    handle->module = module;
    fill(handle);
    // The library's unload entry is ours: it is called to let go of all.
    handle->tableA->unload = ReleaseW3dDriver;
    *out = handle;
    return 0;
}

bool W3dDriverLoadable() {
    char path[kLibraryPathBytes];
    if (!LibraryPath(path)) return false;
    HMODULE module = LoadLibraryA(path);
    if (!module) return false;
    const bool entry = GetProcAddress(module, "W3D_DDFillFunctions") != nullptr;
    FreeLibrary(module);
    return entry;
}

int32_t W3DAPI ReleaseW3dDriver(W3dDriverHandle* handle) {
    if (!handle) return kW3dNoHandle;
    if (handle->size < offsetof(W3dDriverHandle, tableB)) return kW3dRecordTooSmall;
    // Table B's size tells which of its fields exist; with only the size
    // there is no entry to call.
    if (handle->size > offsetof(W3dDriverHandle, tableB) && handle->tableB) {
        W3dTableB* b = handle->tableB;
        if (W3dTableBHas(b->size, W3dTableBEntry::BeforeUnload, kW3dSlotBytes) && b->beforeUnload)
            b->beforeUnload(handle);
        GlobalFree(b);
        handle->tableB = nullptr;
    }
    if (handle->tableA) GlobalFree(handle->tableA);
    handle->tableA = nullptr;
    if (handle->module) FreeLibrary(handle->module);
    GlobalFree(handle);
    return 0;
}

int32_t ReadRegistryValue(HKEY root, const char* keyPath, const char* name, char* text, DWORD textBytes,
                          DWORD* number, DWORD fallback) {
    if (text && textBytes) text[0] = '\0';
    if (!text && number) *number = fallback;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return kW3dNoValue;
    int32_t result = kW3dNoValue;
    for (DWORD index = 0;; ++index) {
        char valueName[256];
        DWORD nameBytes = sizeof valueName;
        BYTE data[1024];
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG got = RegEnumValueA(key, index, valueName, &nameBytes, nullptr, &type, data, &dataBytes);
        if (got == ERROR_NO_MORE_ITEMS) break;
        if (got != ERROR_SUCCESS && got != ERROR_MORE_DATA) break;
        if (!W3dSameName(valueName, name)) continue;
        if (got == ERROR_MORE_DATA) dataBytes = sizeof data;  // cut, as a longer text is
        if (text) {
            if (textBytes == 0) break;
            const DWORD n = dataBytes < textBytes - 1 ? dataBytes : textBytes - 1;
            std::memcpy(text, data, n);
            text[n] = '\0';
            result = 0;
        } else if (number && dataBytes >= sizeof(DWORD)) {
            std::memcpy(number, data, sizeof(DWORD));
            result = 0;
        }
        break;
    }
    RegCloseKey(key);
    return result;
}

int32_t GetFlipperRefreshRate(int32_t width, int32_t height, int32_t depth, int32_t device, DWORD* rate) {
    *rate = 0;
    const std::string key = W3dFlipperKey(device);
    DWORD value = 0;
    if (ReadRegistryValue(HKEY_LOCAL_MACHINE, key.c_str(), W3dRateWithDepth(width, height, depth).c_str(), nullptr, 0,
                          &value, 0) == 0 &&
        value != 0) {
        *rate = value;
        return 0;
    }
    value = 0;
    if (ReadRegistryValue(HKEY_LOCAL_MACHINE, key.c_str(), W3dRateWithoutDepth(width, height).c_str(), nullptr, 0,
                          &value, 0) == 0) {
        *rate = value;
        return 0;
    }
    return kW3dNoValue;
}

namespace {

struct Collecting {
    IDirectDrawSurface7** list;
    int32_t count;
    int32_t capacity;
};

HRESULT WINAPI TakeFlipSurface(IDirectDrawSurface7* surface, DDSURFACEDESC2* desc, void* context) {
    auto* c = static_cast<Collecting*>(context);
    bool keep = c->count < c->capacity && desc && W3dIsFlipSurface(desc->ddsCaps.dwCaps);
    for (int32_t i = 0; keep && i < c->count; ++i) keep = c->list[i] != surface;
    if (keep)
        c->list[c->count++] = surface;  // the enumeration's reference goes with it
    else
        surface->Release();
    return DDENUMRET_OK;
}

}  // namespace

int32_t CollectFlipSurfaces(IDirectDrawSurface7* primary, IDirectDrawSurface7** list, int32_t capacity) {
    if (!primary || !list || capacity < 1) return 0;
    primary->AddRef();
    list[0] = primary;
    Collecting c{list, 1, capacity};
    // Each round enumerates what the surfaces found so far have attached;
    // it ends when the list is full or a round finds nothing new.
    int32_t walked = 0;
    while (walked < c.count && c.count < c.capacity) {
        const int32_t before = c.count;
        for (int32_t i = walked; i < before && c.count < c.capacity; ++i)
            c.list[i]->EnumAttachedSurfaces(&c, TakeFlipSurface);
        walked = before;
        if (c.count == before) break;
    }
    return c.count;
}

int32_t GetDisplayDeviceInfo(HWND window, W3dDriverHandle* handle, int32_t device, W3dDisplayInfo* info) {
    std::memset(info, 0, sizeof *info);
    std::strcpy(info->deviceName, "display");
    W3dTableB* b = handle ? handle->tableB : nullptr;
    if (b && W3dTableBHas(b->size, W3dTableBEntry::DisplayInfo, kW3dSlotBytes) && b->displayInfo) {
        b->displayInfo(handle, device, info);
        info->deviceName[sizeof info->deviceName - 1] = '\0';
        if (!info->deviceName[0]) std::strcpy(info->deviceName, "display");
    }
    HDC dc = CreateDCA(info->deviceName, nullptr, nullptr, nullptr);
    if (!dc) return kW3dNoDisplay;
    info->width = GetDeviceCaps(dc, HORZRES);
    info->height = GetDeviceCaps(dc, VERTRES);
    info->bitsPerPixel = GetDeviceCaps(dc, BITSPIXEL);
    DeleteDC(dc);
    info->window = window;
    GetWindowRect(window, &info->windowRect);
    return 0;
}

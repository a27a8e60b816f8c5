// A stand-in for the WinX3D driver library W3D_DD.DLL: it offers the entry
// point and both tables, answers with what the test set in the shared
// record, and writes down every call. A surface it was handed last is
// busy (shown) until the next one arrives; the test may name one more
// surface that is always busy.
#include <windows.h>
#include <ddraw.h>

#include <cstring>

#include "presentation/winx3d/w3d_interface_win32.h"
#include "w3d_standin_record.h"

namespace {

HANDLE g_mapping = nullptr;
StandInShared* g_shared = nullptr;

int32_t SurfaceId(IDirectDrawSurface7* surface) {
    if (!g_shared || !surface) return 0;
    const uint64_t key = reinterpret_cast<uintptr_t>(surface);
    const LONG count = g_shared->surfaceCount;
    for (LONG i = 0; i < count; ++i)
        if (g_shared->surfaces[i] == key) return i + 1;
    if (count >= kStandInMaxSurfaces) return -1;
    g_shared->surfaces[count] = key;
    g_shared->surfaceCount = count + 1;
    return count + 1;
}

uint32_t CapsOf(IDirectDrawSurface7* surface) {
    DDSCAPS2 caps{};
    if (!surface || FAILED(surface->GetCaps(&caps))) return 0;
    return caps.dwCaps;
}

void Record(StandInCall kind, int32_t device = 0, int32_t a = 0, int32_t b = 0, uint32_t caps = 0) {
    if (!g_shared) return;
    const LONG at = InterlockedIncrement(&g_shared->callCount) - 1;
    if (at < kStandInMaxCalls) g_shared->calls[at] = {kind, device, a, b, caps};
}

// The pixels of a surface as it is handed over, top row first.
void CopyPixels(IDirectDrawSurface7* surface, StandInImage* image) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return;
    image->width = static_cast<int32_t>(desc.dwWidth);
    image->height = static_cast<int32_t>(desc.dwHeight);
    image->bitsPerPixel = static_cast<int32_t>(desc.ddpfPixelFormat.dwRGBBitCount);
    if (image->bitsPerPixel == 32 && image->width <= kStandInImageWidth && image->height <= kStandInImageHeight) {
        for (int32_t y = 0; y < image->height; ++y)
            std::memcpy(&image->pixels[y * image->width], static_cast<const BYTE*>(desc.lpSurface) + y * desc.lPitch,
                        static_cast<size_t>(image->width) * 4);
    }
    surface->Unlock(nullptr);
}

int32_t W3DAPI Start(W3dDriverHandle*, int32_t device, IDirectDraw7*, IDirectDrawSurface7* first,
                     IDirectDrawSurface7* second) {
    const int32_t a = SurfaceId(first);
    Record(StandInCall::Start, device, a, SurfaceId(second), CapsOf(first));
    return g_shared ? g_shared->startResult : 0;
}

int32_t W3DAPI Stop(W3dDriverHandle*, int32_t device, IDirectDraw7*) {
    Record(StandInCall::Stop, device);
    return 0;
}

int32_t W3DAPI EyeDone(W3dDriverHandle*, int32_t device, int32_t one) {
    Record(StandInCall::EyeDone, device, one);
    return 0;
}

int32_t W3DAPI PresentEye(W3dDriverHandle*, int32_t device, IDirectDrawSurface7* surface, int32_t firstView) {
    const int32_t id = SurfaceId(surface);
    Record(StandInCall::PresentEye, device, id, firstView, CapsOf(surface));
    if (g_shared && surface) {
        StandInImage& image = g_shared->eyes[firstView ? 1 : 0];
        ++image.handovers;
        image.surface = id;
        CopyPixels(surface, &image);
        g_shared->handedBefore = g_shared->lastHandedOver;
        g_shared->lastHandedOver = id;
    }
    return 0;
}

int32_t W3DAPI Capabilities(W3dDriverHandle*, int32_t device, W3dCapabilityRecord* caps) {
    Record(StandInCall::Capabilities, device);
    if (!caps) return 1;
    caps->size = sizeof *caps;
    caps->flags1 = g_shared ? g_shared->flags1 : 0;
    caps->flags2 = g_shared ? g_shared->flags2 : 0;
    return 0;
}

int32_t W3DAPI SurfaceStatus(W3dDriverHandle*, int32_t device, IDirectDrawSurface7* surface, uint32_t* status) {
    const int32_t id = SurfaceId(surface);
    uint32_t bits = 0;
    if (g_shared && id == g_shared->lastHandedOver) bits |= 0x08;
    if (g_shared && g_shared->holdsTwo && id == g_shared->handedBefore) bits |= 0x08;
    if (g_shared && id == g_shared->busySurface) bits |= 0x20;
    *status = bits;
    Record(StandInCall::Status, device, id, static_cast<int32_t>(bits));
    return 0;
}

int32_t W3DAPI AttachPrimary(W3dDriverHandle*, int32_t device, IDirectDrawSurface7* primary) {
    const int32_t id = SurfaceId(primary);
    Record(StandInCall::AttachPrimary, device, id, 0, CapsOf(primary));
    return 0;
}

int32_t W3DAPI DeviceIndex(W3dDriverHandle*, int32_t* device) {
    Record(StandInCall::DeviceIndex);
    *device = g_shared ? g_shared->deviceIndex : 0;
    return 0;
}

int32_t W3DAPI DisplayInfo(W3dDriverHandle*, int32_t device, W3dDisplayInfo* info) {
    Record(StandInCall::DisplayInfo, device);
    std::strcpy(info->deviceName, "display");
    return 0;
}

int32_t W3DAPI BeforeUnload(W3dDriverHandle*) {
    Record(StandInCall::BeforeUnload);
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) int32_t W3DAPI W3D_DDFillFunctions(W3dDriverHandle* handle) {
    Record(StandInCall::Fill, 0, static_cast<int32_t>(handle ? handle->size : 0));
    if (!handle || !handle->tableA) return 1;
    W3dTableA* a = handle->tableA;
    a->start = Start;
    a->stop = Stop;
    a->eyeDone = EyeDone;
    a->presentEye = PresentEye;
    a->capabilities = Capabilities;
    a->surfaceStatus = SurfaceStatus;
    const uint32_t size = g_shared ? g_shared->tableBSize : 0;
    if (size >= sizeof(uint32_t)) {
        // As large as the test asked, and never smaller than our table, so
        // that the entries beyond the size are there but must not be used.
        const SIZE_T bytes = size > sizeof(W3dTableB) ? size : sizeof(W3dTableB);
        auto* b = static_cast<W3dTableB*>(GlobalAlloc(GPTR, bytes));
        if (b) {
            b->size = size;
            b->beforeUnload = BeforeUnload;
            b->attachPrimary = AttachPrimary;
            b->deviceIndex = DeviceIndex;
            b->displayInfo = DisplayInfo;
            handle->tableB = b;
        }
    }
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, W3D_STANDIN_MAPPING);
        if (g_mapping) g_shared = static_cast<StandInShared*>(MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        Record(StandInCall::Attached);
    } else if (reason == DLL_PROCESS_DETACH) {
        Record(StandInCall::Detached);
        if (g_shared) UnmapViewOfFile(g_shared);
        if (g_mapping) CloseHandle(g_mapping);
        g_shared = nullptr;
        g_mapping = nullptr;
    }
    return TRUE;
}

// Portable decisions of the WinX3D shutter-glasses window: what the driver
// library's capability bits ask for, which table-B entries a table of a
// given size holds, which attached surfaces belong to the flipping chain,
// the display mode of the settings and the registry names of the driver's
// refresh rates.
#pragma once
#include <cstdint>
#include <string>

// ----------------------------------------------------------- capabilities

// Flip surfaces the chain is made of: 3 when the library asks for a third
// surface to draw into while two are shown, else 2.
int32_t W3dChainSurfaces(uint32_t flags1, uint32_t flags2);

// The library's minimum chain setting: 3 or 4.
int32_t W3dMinimumChain(uint32_t flags1, uint32_t flags2);

// The depth the display mode is set at for the depth asked (16 or 32): some
// libraries drive 16-bit requests at 8 bits. 0 when the resulting depth of 8
// is one the library refuses.
int32_t W3dDriverDepth(uint32_t flags1, uint32_t flags2, int32_t depth);

// Whether the first view's hand-over is followed by its own completion call
// (the second view's always is).
bool W3dCompletesFirstView(uint32_t flags1, uint32_t flags2, int32_t chainSurfaces);

// Back buffers the flipping chain is first asked for, and the fewest it may
// fall back to while video memory runs short: a flipping chain needs one
// back buffer, the library two surfaces.
int32_t W3dFirstBackBuffers(int32_t chainSurfaces);
constexpr int32_t kW3dFewestBackBuffers = 1;

// ---------------------------------------------------------------- table B

enum class W3dTableBEntry { BeforeUnload, AttachPrimary, DeviceIndex, DisplayInfo };

// Whether a table B of `size` bytes holds `entry`, with fields of
// `slotBytes` (4 in the 32-bit player, where the sizes are 8, 20, 44 and 44).
bool W3dTableBHas(uint32_t size, W3dTableBEntry entry, int32_t slotBytes);

// --------------------------------------------------------------- surfaces

// The capability bits of an attached surface that belongs to the chain:
// video memory and flip (0x4010), and none of the bits of the primary,
// front buffers, z-buffers, overlays, mip-maps, live video, system-memory
// and alpha surfaces (0x044A8AA2).
bool W3dIsFlipSurface(uint32_t caps);

// ---------------------------------------------------------- refresh rates

// The machine key that holds the refresh rates for a device
// ("SOFTWARE\W3D\FLIPPER\WIN3D\<index>", without the index for -1), and the
// number values asked, first with the depth, then without.
std::string W3dFlipperKey(int32_t device);
std::string W3dRateWithDepth(int32_t width, int32_t height, int32_t depth);
std::string W3dRateWithoutDepth(int32_t width, int32_t height);

// ASCII letters compared without case, as the driver's value names are.
bool W3dSameName(const char* a, const char* b);

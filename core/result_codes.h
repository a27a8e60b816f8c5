// The platform's result codes, for the portable code that hands them on.
#pragma once
#include <cstdint>

// Result codes. On Windows the platform's own HRESULT and codes are used
// (both 32-bit), so that the Win32 layer sees a single definition.
#if defined(_WIN32)
typedef long HRESULT;  // as the platform declares it (LONG)
#include <winerror.h>
#else
typedef int32_t HRESULT;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
#endif
static_assert(sizeof(HRESULT) == 4, "result codes are 32-bit");

// A path too long for the 260-character buffer (the platform's code for
// ERROR_FILENAME_EXCED_RANGE).
constexpr HRESULT kHrPathTooLong = static_cast<HRESULT>(0x800700CEu);

// The driver library as a broken installation leaves it: W3D_DD.DLL is
// there, its entry point W3D_DDFillFunctions is not.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall W3D_DDVersion() { return 1; }

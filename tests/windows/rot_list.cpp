// Test helper: prints the display name of every entry of the running object
// table, one a line (UTF-8), as a graph inspection tool in another process
// would see them. Exit code 0 when the table could be read.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return std::string();
    std::string out(static_cast<size_t>(bytes - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], bytes, nullptr, nullptr);
    return out;
}

int List() {
    IRunningObjectTable* table = nullptr;
    if (FAILED(GetRunningObjectTable(0, &table))) return 2;
    IEnumMoniker* entries = nullptr;
    if (FAILED(table->EnumRunning(&entries))) {
        table->Release();
        return 3;
    }
    IBindCtx* context = nullptr;
    CreateBindCtx(0, &context);
    IMoniker* moniker = nullptr;
    while (entries->Next(1, &moniker, nullptr) == S_OK) {
        LPOLESTR name = nullptr;
        if (context && SUCCEEDED(moniker->GetDisplayName(context, nullptr, &name)) && name) {
            std::printf("%s\n", Utf8(name).c_str());
            CoTaskMemFree(name);
        }
        moniker->Release();
    }
    if (context) context->Release();
    entries->Release();
    table->Release();
    return 0;
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int rc = List();
    std::fflush(stdout);
    CoUninitialize();
    return rc;
}

// Small COM and filter-graph helpers the Windows tests share: an owning
// interface pointer, QueryInterface into one, HRESULTs as text, a COM
// apartment per test, reference counts, and waiting on a graph or on the
// message loop.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/x87_control.h"

namespace testsupport {

// RenderFile as the program makes it: the default video renderer leaves the
// thread's x87 unit at single precision, which would carry into the tests
// that run after this one in the same process.
inline HRESULT RenderFileKeepingX87(IGraphBuilder* graph, const wchar_t* path) {
    X87ControlScope keep;
    return graph->RenderFile(path, nullptr);
}

struct Releaser {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <class T>
using ComRef = std::unique_ptr<T, Releaser>;

// The interface `iid` of `from`, or null when it has none.
template <class T>
ComRef<T> Query(IUnknown* from, REFIID iid) {
    T* p = nullptr;
    if (FAILED(from->QueryInterface(iid, reinterpret_cast<void**>(&p)))) return nullptr;
    return ComRef<T>(p);
}

inline std::string Hex(HRESULT hr) {
    char s[16];
    std::snprintf(s, sizeof s, "0x%08lX", static_cast<unsigned long>(hr));
    return s;
}

class ComApartment {
public:
    ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT hr() const { return hr_; }

private:
    HRESULT hr_;
};

// Current reference count of an object, by a balanced AddRef/Release.
inline ULONG RefCount(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

// How WaitForComplete waits: the callers differ in patience and in which
// events count as a failure.
struct CompletionWait {
    DWORD timeoutMs = 10000;
    DWORD pollMs = 100;                          // GetEvent's own timeout
    std::vector<LONG> failing = {EC_ERRORABORT};  // end the wait as a failure
    std::vector<LONG>* seen = nullptr;           // other codes before EC_COMPLETE
};

// Takes events from the graph's queue up to EC_COMPLETE. (The graph's
// WaitForCompletion is no use for a second run: Wine's returns at once
// after the first.)
inline ::testing::AssertionResult WaitForComplete(IMediaEventEx* events, const CompletionWait& how = {}) {
    const DWORD start = GetTickCount();
    for (;;) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (SUCCEEDED(events->GetEvent(&code, &p1, &p2, how.pollMs))) {
            events->FreeEventParams(code, p1, p2);
            if (code == EC_COMPLETE) return ::testing::AssertionSuccess();
            for (LONG failing : how.failing)
                if (code == failing)
                    return ::testing::AssertionFailure() << "event " << code << " " << Hex(static_cast<HRESULT>(p1));
            if (how.seen != nullptr) how.seen->push_back(code);
        }
        if (GetTickCount() - start > how.timeoutMs) return ::testing::AssertionFailure() << "no EC_COMPLETE";
    }
}

// Polls `done` until it holds or `ms` pass, for what other threads bring
// about (this thread's messages are not handled meanwhile).
template <class Done>
bool WaitUntil(Done done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(5);
    }
    return true;
}

// Handles the thread's window messages until `done` holds or `ms` pass.
template <class Done>
bool PumpUntil(Done done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

}  // namespace testsupport

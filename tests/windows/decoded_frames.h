// A movie's frames as the platform decodes them: a graph with a capture
// renderer as its only renderer, run without a clock from the start to its
// end. Tests compare what the player shows with these frames composed by
// the portable compositors.
#pragma once
#include "com_test_support.h"  // first: it sets up dshow.h

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "capture_renderer.h"

namespace testsupport {

// Every frame of `path`, in the first of `subtypes` the decoder offers.
// Needs COM on the calling thread.
inline ::testing::AssertionResult DecodeMovieFrames(const wchar_t* path, std::initializer_list<GUID> subtypes,
                                                    std::vector<CapturedSample>* frames) {
    HRESULT hr = S_OK;
    auto* capture = new CaptureRenderer(&hr, subtypes);
    ComRef<IBaseFilter> renderer(capture);
    renderer->AddRef();
    {
        IGraphBuilder* graph = nullptr;
        hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph));
        if (FAILED(hr)) return ::testing::AssertionFailure() << "CoCreateInstance " << Hex(hr);
        ComRef<IGraphBuilder> graphRef(graph);
        hr = graph->AddFilter(renderer.get(), L"Renderer");
        if (FAILED(hr)) return ::testing::AssertionFailure() << "AddFilter " << Hex(hr);
        hr = testsupport::RenderFileKeepingX87(graph, path);
        if (FAILED(hr)) return ::testing::AssertionFailure() << "RenderFile " << Hex(hr);
        // No clock: frames pass as fast as they are decoded.
        ComRef<IMediaFilter> filter = Query<IMediaFilter>(graph, IID_IMediaFilter);
        ComRef<IMediaControl> control = Query<IMediaControl>(graph, IID_IMediaControl);
        ComRef<IMediaEventEx> events = Query<IMediaEventEx>(graph, IID_IMediaEventEx);
        if (!filter || !control || !events) return ::testing::AssertionFailure() << "graph interfaces";
        filter->SetSyncSource(nullptr);
        hr = control->Run();
        if (FAILED(hr)) return ::testing::AssertionFailure() << "Run " << Hex(hr);
        CompletionWait how;
        how.timeoutMs = 15000;
        how.pollMs = 50;
        how.failing = {EC_ERRORABORT, EC_USERABORT};
        ::testing::AssertionResult completed = WaitForComplete(events.get(), how);
        control->Stop();
        if (!completed) return completed;
    }
    *frames = capture->Samples();
    if (frames->empty()) return ::testing::AssertionFailure() << "no frame arrived";
    return ::testing::AssertionSuccess();
}

}  // namespace testsupport

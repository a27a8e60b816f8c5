// The effect filter's output frame, shared with the compositors. Written on
// the graph thread when the output type is chosen and on the streaming
// thread when a renderer attaches a wider format; read once per frame.
#pragma once
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> g_nOutputWidth;      // row length in pixels (2 W, or the renderer's)
extern std::atomic<int32_t> g_nOutputHeight;     // rows
extern std::atomic<int32_t> g_nOutputImageSize;  // bytes of one output frame

// The buffer the filter asks for: one frame with 20 % headroom, so that a
// renderer may attach somewhat wider rows later.
constexpr int32_t OutputBufferRequest(int32_t imageSize) { return 12 * imageSize / 10; }

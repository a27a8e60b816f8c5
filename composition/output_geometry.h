// The effect filter's output buffer arithmetic, portable so that it is
// tested natively.
#pragma once
#include <cstdint>

// The buffer the filter asks for: one frame with 20 % headroom, so that a
// renderer may attach somewhat wider rows later.
constexpr int32_t OutputBufferRequest(int32_t imageSize) { return 12 * imageSize / 10; }

#include "composition/output_geometry.h"

std::atomic<int32_t> g_nOutputWidth{0};
std::atomic<int32_t> g_nOutputHeight{0};
std::atomic<int32_t> g_nOutputImageSize{0};

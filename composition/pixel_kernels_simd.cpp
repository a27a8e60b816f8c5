#include "composition/pixel_kernels.h"

const KernelSet* SimdKernels() { return nullptr; }

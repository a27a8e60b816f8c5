#include "presentation/gdi/gdi_geometry.h"

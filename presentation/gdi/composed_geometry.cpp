#include "presentation/gdi/composed_geometry.h"

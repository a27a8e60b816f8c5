// STUB: replaced by the real implementation.
#include "presentation/gdi/gdi_screen.h"

void DrawAnaglyph() {}
void DrawInterlace() {}
void DrawSharpLcd() {}
void CreateMarkerStrip() {}
void FreeComposedPictures() {}

#include "presentation/opengl/gl_view_geometry.h"

#include <algorithm>
#include <cstdio>

#include "composition/stereo_formats.h"

namespace {

// How the two views lie in the texture, from the layout's facts: one
// view's shown size (vw x vh, before zoom), the second view's offset from
// the first (ox, oy) and the stretch (sx, sy) of views stored at half size.
struct ViewShape {
    int64_t vw = 0, vh = 0;
    int64_t ox = 0, oy = 0;
    int64_t sx = 1, sy = 1;
    int64_t bandPercent = 100;  // 95 where a band between the views belongs to neither
};

ViewShape ShapeOf(int32_t layout, int32_t w, int32_t h) {
    const LayoutFacts& facts = LayoutFactsOf(IsValidLayout(layout) ? layout : 0);
    const ShownSize shown = ShownViewSize(facts, w, h);
    const bool halves = facts.regions == ViewRegions::Halves;
    ViewShape v;
    v.vw = shown.width;
    v.vh = shown.height;
    v.ox = halves ? w / 2 : 0;
    v.oy = halves ? 0 : h / 2;
    v.sx = halves && facts.squeezed ? 2 : 1;
    v.sy = !halves && facts.squeezed ? 2 : 1;
    v.bandPercent = facts.bandPercent;
    return v;
}

int32_t Narrow(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

GlEyeQuad Shifted(const GlViewGeometry& g, double ds, double dt) {
    GlEyeQuad q;
    q.x0 = g.x0;
    q.x1 = g.x1;
    q.y0 = g.y0;
    q.y1 = g.y1;
    q.s0 = static_cast<float>(g.s0 + ds);
    q.s1 = static_cast<float>(g.s1 + ds);
    q.t0 = static_cast<float>(g.t0 + dt);
    q.t1 = static_cast<float>(g.t1 + dt);
    return q;
}

}  // namespace

void LayoutOpenGlViews(GlViewGeometry* g) {
    for (GlEyeQuad& eye : g->eyes) eye = GlEyeQuad{};
    g->x0 = g->x1 = g->y0 = g->y1 = 0;
    g->s0 = g->s1 = g->t0 = g->t1 = g->sO = g->tO = 0;
    if (g->frameWidth <= 0 || g->frameHeight <= 0 || g->textureSize <= 0) return;
    g->windowHeight = std::max(g->windowHeight, 1);
    g->zoom = std::clamp(g->zoom, kGlMinZoom, kGlMaxZoom);

    const ViewShape v = ShapeOf(g->layout, g->frameWidth, g->frameHeight);
    const int64_t T = g->textureSize, winW = g->windowWidth, winH = g->windowHeight;

    // The shown height: the view's own, or 3/4 of its width at 4:3; of it
    // the 47.5 % layout's view fills only 95 %.
    const int64_t hb = g->aspect43 ? 3 * v.vw / 4 : v.vh;
    const int64_t hd = hb * v.bandPercent / 100;

    int64_t z = g->zoom;
    int64_t dw = z * v.vw / 100;
    const int64_t dh = z * hd / 100;
    int64_t ex = dw - winW;
    int64_t ey = dh - winH;
    // At 4:3 a picture taller than the window is shrunk to its height.
    if (g->aspect43 && ey >= 1 && hd > 0) {
        ey = 0;
        z = std::max<int64_t>(winH * 100 / hd, kGlMinZoom);
        g->zoom = Narrow(z);
        dw = z * v.vw / 100;
        ex = dw - winW;
    }
    // Window pixels per texture unit at this zoom (the texture's displayed
    // side), and per texture unit of a stretched view.
    const double q = static_cast<double>(z) * static_cast<double>(T) / 100.0;
    const double qx = q * static_cast<double>(v.sx), qy = q * static_cast<double>(v.sy);

    int64_t px = g->panX, py = g->panY;
    if (ex >= 0) {
        px = std::clamp<int64_t>(px, 0, ex);
        g->x0 = 0;
        g->x1 = Narrow(winW);
        g->s0 = static_cast<float>(static_cast<double>(px) / qx);
        g->s1 = static_cast<float>(static_cast<double>(winW + px) / qx);
    } else {
        // Narrower than the window: centred, the whole view.
        px = ex / 2;
        g->x0 = Narrow(-ex / 2);
        g->x1 = Narrow(dw - ex / 2);
        g->s0 = 0;
        g->s1 = static_cast<float>(static_cast<double>(z * v.vw) / (100.0 * static_cast<double>(v.sx)) / q);
    }
    g->sO = static_cast<float>(static_cast<double>(z * v.ox) / 100.0 / q);

    if (ey < 0 || g->aspect43) {
        py = ey / 2;
        g->y0 = Narrow(-ey / 2);
        g->y1 = Narrow(z * hb / 100 - ey / 2);
        g->t0 = 0;
        g->t1 = static_cast<float>(static_cast<double>(z * v.vh) / (100.0 * static_cast<double>(v.sy)) / q);
    } else {
        py = std::clamp<int64_t>(py, 0, ey);
        g->y0 = 0;
        g->y1 = Narrow(winH);
        g->t0 = static_cast<float>(static_cast<double>(py) / qy);
        g->t1 = static_cast<float>(static_cast<double>(winH + py) / qy);
    }
    // The upper view of the 47.5 % layout starts 5 % of the frame higher.
    const int64_t f = 200 - v.bandPercent;
    g->tO = static_cast<float>(static_cast<double>(z * (f * v.oy / 100)) / 100.0 / q);
    g->panX = Narrow(px);
    g->panY = Narrow(py);

    // The alignment moves the two views apart by a texels (half each way;
    // the second view takes the odd one).
    const int64_t a = z * g->alignH / 100, b = z * g->alignV / 100;
    const GlEyeQuad first = Shifted(*g, -static_cast<double>(a / 2) / q, -static_cast<double>(b / 2) / q);
    const GlEyeQuad second = Shifted(*g, g->sO + static_cast<double>(a - a / 2) / q,
                                     g->tO + static_cast<double>(b - b / 2) / q);
    g->eyes[g->swap ? kGlRightEye : kGlLeftEye] = first;
    g->eyes[g->swap ? kGlLeftEye : kGlRightEye] = second;

    if (g->topDown) {
        // The texture holds the frame's rows in memory order: turn the
        // bottom-up coordinates round, so the picture stands upright.
        const double top = static_cast<double>(g->frameHeight) / static_cast<double>(T);
        for (GlEyeQuad& eye : g->eyes) {
            eye.t0 = static_cast<float>(top - eye.t0);
            eye.t1 = static_cast<float>(top - eye.t1);
        }
    }
}

int32_t FitOpenGlZoom(const GlViewGeometry& g) {
    if (g.frameWidth <= 0 || g.frameHeight <= 0) return g.zoom;
    const ViewShape v = ShapeOf(g.layout, g.frameWidth, g.frameHeight);
    const int64_t fw = v.vw, fh = v.vh * v.bandPercent / 100;
    if (fw <= 0 || fh <= 0) return g.zoom;
    const int64_t z = std::min(int64_t{g.windowWidth} * 100 / fw, int64_t{std::max(g.windowHeight, 1)} * 100 / fh);
    return Narrow(std::clamp<int64_t>(z, kGlMinZoom, kGlMaxZoom));
}

int32_t GlZoomIn(int32_t zoom) {
    const int64_t z = int64_t{zoom} * 110 / 100 + (zoom < 10 ? 1 : 0);
    return Narrow(std::clamp<int64_t>(z, kGlMinZoom, kGlMaxZoom));
}

int32_t GlZoomOut(int32_t zoom) {
    return Narrow(std::clamp<int64_t>(int64_t{zoom} * 100 / 110, kGlMinZoom, kGlMaxZoom));
}

void StepOpenGlZoom(GlViewGeometry* g, bool in) {
    const int64_t z = std::max(g->zoom, kGlMinZoom);
    const int64_t z2 = in ? GlZoomIn(g->zoom) : GlZoomOut(g->zoom);
    const int64_t winW = g->windowWidth, winH = std::max(g->windowHeight, 1);
    g->panX = Narrow(z2 * g->panX / z - (winW - z2 * winW / z) / 2);
    g->panY = Narrow(z2 * g->panY / z - (winH - z2 * winH / z) / 2);
    g->zoom = Narrow(z2);
}

int32_t ChooseGlTextureSize(int32_t w, int32_t h, int32_t maxTextureSize) {
    if (w <= 0 || h <= 0) return 0;
    const int64_t need = std::max(w, h);
    int64_t t = kGlTextureSize;
    // A driver below the usual size still takes frames that fit in it.
    if (t > maxTextureSize) t = 1;
    while (t < need) t *= 2;
    return t <= maxTextureSize ? static_cast<int32_t>(t) : 0;
}

std::string GlFrameTooLargeMessage(int32_t w, int32_t h, int32_t maxTextureSize) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "The Movie Frame (%d x %d) Is Larger Than The Largest OpenGL Texture (%d x %d). ", w, h,
                  maxTextureSize, maxTextureSize);
    return text;
}

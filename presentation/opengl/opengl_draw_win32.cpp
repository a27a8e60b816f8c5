// The OpenGL window's texture, its two eyes' draws and the help text. All
// of it runs on the window's thread, with the window's context current.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/app_state.h"
#include "presentation/grabbed_frame.h"
#include "presentation/opengl/opengl_window_win32.h"
#include "presentation/presenter_host.h"
#include "resources/resource.h"

namespace {

constexpr int kHelpLines = IDS_HELP_OPENGL_LAST - IDS_HELP_OPENGL_FIRST + 1;
// The zero rows that blacken a new texture are sent in strips of about
// this many bytes, however large the texture.
constexpr size_t kClearStripBytes = 4u << 20;

const GlEyeTarget* g_pEyeTarget = nullptr;

bool StereoContext() {
    GLboolean stereo = GL_FALSE;
    glGetBooleanv(GL_STEREO, &stereo);
    return stereo == GL_TRUE;
}

void SelectStereoBackBuffer(GlEye eye) { glDrawBuffer(eye == kGlLeftEye ? GL_BACK_LEFT : GL_BACK_RIGHT); }

void ClearGlErrors() {
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// A black t x t frame texture, filtered linearly both ways; outside it the
// picture is black too (the alignment and the 47.5 % layout's upper view
// reach past the frame).
bool DefineFrameTexture(GLsizei t) {
    GlWindowState& s = g_GlWindow;
    ClearGlErrors();
    glBindTexture(GL_TEXTURE_2D, s.textures[0]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, t, t, 0, GL_BGR_EXT, GL_UNSIGNED_BYTE, nullptr);
    if (glGetError() != GL_NO_ERROR) return false;
    const size_t rowBytes = static_cast<size_t>(t) * 3;
    const GLsizei stripRows = static_cast<GLsizei>(std::max<size_t>(1, kClearStripBytes / rowBytes));
    const std::vector<GLubyte> zeros(rowBytes * static_cast<size_t>(std::min(stripRows, t)), 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (GLsizei y = 0; y < t; y += stripRows)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, t, std::min(stripRows, t - y), GL_BGR_EXT, GL_UNSIGNED_BYTE,
                        zeros.data());
    return glGetError() == GL_NO_ERROR;
}

std::string TextureFailedMessage(int32_t t, int32_t w, int32_t h) {
    char text[200];
    std::snprintf(text, sizeof text, "Can't Create The OpenGL Texture (%d x %d) For The Movie Frame (%d x %d). ", t, t,
                  w, h);
    return text;
}

// Black first, then white one pixel right and down: a dark edge keeps the
// text readable on any picture. Lines count down from the window's top.
void DrawHelpOverlay() {
    const GlWindowState& s = g_GlWindow;
    if (!s.helpShown || !s.fontBase) return;
    const int32_t winH = s.geometry.windowHeight;
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, s.textures[2]);
    const struct {
        GLfloat grey;
        int x, y;
    } passes[] = {{0.0f, 16, 10}, {1.0f, 17, 11}};
    glListBase(s.fontBase);
    for (const auto& pass : passes) {
        glColor3f(pass.grey, pass.grey, pass.grey);
        for (int i = 0; i < kHelpLines; ++i) {
            const char* line = Host().String(IDS_HELP_OPENGL_FIRST + i);
            glRasterPos2i(pass.x - 1, winH - (pass.y + 16 * i) - 17);
            glCallLists(static_cast<GLsizei>(std::strlen(line)), GL_UNSIGNED_BYTE, line);
        }
    }
    glEnable(GL_TEXTURE_2D);
}

void DrawEye(GlEye eye) {
    const GlWindowState& s = g_GlWindow;
    const GlEyeTarget& target = CurrentGlEyeTarget();
    target.select(eye);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, s.geometry.windowWidth, s.geometry.windowHeight);
    if (s.textureReady) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, s.textures[0]);
        const GlEyeQuad& q = s.geometry.eyes[eye];
        glBegin(GL_QUADS);
        glTexCoord2f(q.s0, q.t0);
        glVertex2i(q.x0, q.y0);
        glTexCoord2f(q.s1, q.t0);
        glVertex2i(q.x1, q.y0);
        glTexCoord2f(q.s1, q.t1);
        glVertex2i(q.x1, q.y1);
        glTexCoord2f(q.s0, q.t1);
        glVertex2i(q.x0, q.y1);
        glEnd();
    }
    DrawHelpOverlay();
    if (target.drawn) target.drawn(eye);
}

}  // namespace

const GlEyeTarget kQuadBufferEyes = {StereoContext, SelectStereoBackBuffer, nullptr};

void SetGlEyeTarget(const GlEyeTarget* target) { g_pEyeTarget = target; }

const GlEyeTarget& CurrentGlEyeTarget() { return g_pEyeTarget ? *g_pEyeTarget : kQuadBufferEyes; }

void SetOpenGlProjection() {
    const GlViewGeometry& g = g_GlWindow.geometry;
    glViewport(0, 0, g.windowWidth, g.windowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, g.windowWidth, 0.0, g.windowHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The picture's own colours, whatever colour the help text left.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

bool UploadGrabbedFrame(bool* newSize) {
    GlWindowState& s = g_GlWindow;
    GlViewGeometry& g = s.geometry;
    *newSize = false;
    const BITMAPINFOHEADER& header = GrabbedFrame.header.bmiHeader;
    const BYTE* pixels = GrabbedFrame.pDisplay;
    if (!pixels || header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount != 24) return true;
    const int32_t w = header.biWidth, h = std::labs(header.biHeight);
    if (!s.textureReady || w != g.frameWidth || h != g.frameHeight) {
        s.textureReady = false;
        const int32_t t = ChooseGlTextureSize(w, h, s.maxTextureSize);
        if (t == 0) {
            s.refusal = GlFrameTooLargeMessage(w, h, s.maxTextureSize);
            return false;
        }
        if (!DefineFrameTexture(t)) {
            s.refusal = TextureFailedMessage(t, w, h);
            return false;
        }
        g.frameWidth = w;
        g.frameHeight = h;
        g.textureSize = t;
        s.textureReady = true;
        *newSize = true;
    }
    g.topDown = header.biHeight < 0;
    glBindTexture(GL_TEXTURE_2D, s.textures[0]);
    // DIB rows are padded to four bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels);
    return true;
}

void DrawOpenGlFrame() {
    const GlWindowState& s = g_GlWindow;
    if (!s.rc) return;
    // The back buffers hold nothing defined after a swap: each eye is
    // cleared and drawn whole, its help text included.
    const GlEye first = s.geometry.swap ? kGlRightEye : kGlLeftEye;
    DrawEye(first);
    DrawEye(first == kGlLeftEye ? kGlRightEye : kGlLeftEye);
    SwapBuffers(s.dc);
}

void LayoutAndDrawOpenGlViews() {
    GlViewGeometry& g = g_GlWindow.geometry;
    g.layout = g_nInputLayout;
    g.aspect43 = g_bAspect43 != 0;
    LayoutOpenGlViews(&g);
    DrawOpenGlFrame();
}

void BuildHelpFont(const char* face, int height) {
    GlWindowState& s = g_GlWindow;
    s.fontBase = glGenLists(128);
    s.font = CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                         CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH, face);
    if (s.font) s.fontBefore = SelectObject(s.dc, s.font);
    if (s.fontBase) wglUseFontBitmapsA(s.dc, 0, 127, s.fontBase);
    // Characters without a glyph leave GL_OUT_OF_MEMORY behind on some
    // drivers, though every list is made.
    ClearGlErrors();
}

void FreeHelpFont() {
    GlWindowState& s = g_GlWindow;
    if (s.fontBase) glDeleteLists(s.fontBase, 128);
    s.fontBase = 0;
    if (s.font) {
        SelectObject(s.dc, s.fontBefore);
        DeleteObject(s.font);
    }
    s.font = nullptr;
    s.fontBefore = nullptr;
}

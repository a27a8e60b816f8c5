// Renders the bundled sample stereo movie: a small ray-cast scene seen from
// two eye positions, written as raw side-by-side bgr24 frames (left view in
// the left half, top row first) for ffmpeg to encode.
//
//   make_sample_frames [--frames N] [--width W] [--height H] > frames.raw
//
// W and H are the size of one view; each frame is 2W x H. The scene: a
// checkered ground and a tiled backdrop far away, a red sphere in front of
// the screen plane, a green sphere on it, a blue box and a yellow sphere
// behind it. The two cameras are parallel and their pictures are shifted so
// that the screen plane has zero parallax: nearer things are crossed (the
// left view shows them further right), farther things uncrossed.
//
// Built for the build machine, so it uses nothing but the standard library.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFps = 25.0;            // the encode command uses the same rate
constexpr double kLoopSeconds = 5.0;     // every motion repeats after this
constexpr double kHalfFovTan = 0.4663;   // tan(25 degrees): 50 degrees across
constexpr double kScreenDistance = 6.0;  // depth of the zero-parallax plane
// Eye separation in scene units. With the focal length scaling with the
// width, disparities stay a fixed share of the picture width (about 4 % for
// the nearest object), comfortable on a monitor.
constexpr double kEyeSeparation = 0.2;
constexpr int kMaxSide = 4096;

struct Vec {
    double x = 0, y = 0, z = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Normalized(Vec a) { return a * (1.0 / std::sqrt(Dot(a, a))); }

struct Color {
    double r = 0, g = 0, b = 0;
};
Color operator*(Color c, double s) { return {c.r * s, c.g * s, c.b * s}; }
Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Color Mix(Color a, Color b, double t) { return a * (1 - t) + b * t; }

struct Sphere {
    Vec center;
    double radius;
    Color color;
};

// A box that turns about its vertical axis.
struct Box {
    Vec center;
    Vec half;      // half extents in its own frame
    double angle;  // turn about y, radians
    Color color;
};

struct Scene {
    std::vector<Sphere> spheres;
    Box box;
};

constexpr double kGroundY = -1.2;
constexpr double kBackdropZ = 22.0;

// The colours are kept far apart in hue so each object can be picked out
// of a frame by colour; ground and backdrop stay low in saturation.
Scene SceneAt(double t) {
    const double phase = 2 * kPi * t / kLoopSeconds;
    Scene s;
    // Near, in front of the screen plane, drifting sideways.
    s.spheres.push_back({{-0.55 + 0.3 * std::sin(phase), -0.55, 3.0}, 0.33, {0.9, 0.12, 0.1}});
    // On the screen plane, bobbing.
    s.spheres.push_back({{0.35, -0.35 + 0.25 * std::sin(2 * phase), 6.0}, 0.6, {0.15, 0.75, 0.2}});
    // Far, sinking slowly into view behind the rest.
    s.spheres.push_back({{3.6, 1.1 + 0.3 * std::cos(phase), 14.0}, 1.1, {0.95, 0.85, 0.1}});
    s.box = {{-1.9, kGroundY + 0.8, 10.0}, {0.8, 0.8, 0.8}, 0.6 + phase, {0.15, 0.3, 0.95}};
    return s;
}

struct Hit {
    double t = INFINITY;
    Vec normal;
    Color color;
    bool lit = true;  // sky-like surfaces skip the lighting
};

void HitSphere(const Sphere& s, Vec o, Vec d, Hit& hit) {
    const Vec oc = o - s.center;
    const double b = Dot(oc, d);
    const double c = Dot(oc, oc) - s.radius * s.radius;
    const double disc = b * b - c;
    if (disc < 0) return;
    const double t = -b - std::sqrt(disc);
    if (t <= 1e-6 || t >= hit.t) return;
    hit.t = t;
    hit.normal = Normalized(o + d * t - s.center);
    hit.color = s.color;
    hit.lit = true;
}

// Slab test in the box's own frame.
void HitBox(const Box& bx, Vec o, Vec d, Hit& hit) {
    const double c = std::cos(bx.angle), s = std::sin(bx.angle);
    auto toLocal = [&](Vec v) { return Vec{c * v.x - s * v.z, v.y, s * v.x + c * v.z}; };
    const Vec lo = toLocal(o - bx.center), ld = toLocal(d);
    const double lo3[3] = {lo.x, lo.y, lo.z}, ld3[3] = {ld.x, ld.y, ld.z};
    const double h3[3] = {bx.half.x, bx.half.y, bx.half.z};
    double tNear = -INFINITY, tFar = INFINITY;
    int axis = 0;
    double sign = 1;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(ld3[i]) < 1e-12) {
            if (std::fabs(lo3[i]) > h3[i]) return;
            continue;
        }
        double t1 = (-h3[i] - lo3[i]) / ld3[i], t2 = (h3[i] - lo3[i]) / ld3[i];
        double enterSign = -1;
        if (t1 > t2) {
            std::swap(t1, t2);
            enterSign = 1;
        }
        if (t1 > tNear) {
            tNear = t1;
            axis = i;
            sign = enterSign;
        }
        tFar = std::min(tFar, t2);
    }
    if (tNear > tFar || tNear <= 1e-6 || tNear >= hit.t) return;
    Vec ln;
    (axis == 0 ? ln.x : axis == 1 ? ln.y : ln.z) = sign;
    hit.t = tNear;
    hit.normal = {c * ln.x + s * ln.z, ln.y, -s * ln.x + c * ln.z};  // back to the world
    hit.color = bx.color;
    hit.lit = true;
}

const Vec kLight = Normalized({-0.5, 0.8, -0.4});

// Soft round shadow of each object on the ground, straight below its light
// direction; enough to anchor the objects in depth.
double GroundShadow(const Scene& s, Vec p) {
    double shade = 1.0;
    auto castBy = [&](Vec center, double radius) {
        const double up = center.y - kGroundY;
        const Vec foot = {center.x - kLight.x / kLight.y * up, kGroundY, center.z - kLight.z / kLight.y * up};
        const double dx = p.x - foot.x, dz = p.z - foot.z;
        const double r = std::sqrt(dx * dx + dz * dz) / (radius * 1.2);
        if (r < 1) shade = std::min(shade, 0.45 + 0.55 * r * r);
    };
    for (const Sphere& sp : s.spheres) castBy(sp.center, sp.radius);
    castBy(s.box.center, s.box.half.x * 1.2);
    return shade;
}

Color Trace(const Scene& s, Vec o, Vec d) {
    Hit hit;
    // Ground: a muted checkerboard of 1-unit tiles.
    if (d.y < -1e-9) {
        const double t = (kGroundY - o.y) / d.y;
        if (t < hit.t) {
            const Vec p = o + d * t;
            if (p.z < kBackdropZ) {
                const bool odd = (int(std::floor(p.x)) + int(std::floor(p.z))) & 1;
                hit.t = t;
                hit.normal = {0, 1, 0};
                hit.color = odd ? Color{0.55, 0.52, 0.45} : Color{0.32, 0.31, 0.28};
                hit.color = hit.color * GroundShadow(s, p);
            }
        }
    }
    // Backdrop: a wall of grey-blue tiles with mortar lines, with a pale
    // band of sky above it.
    if (d.z > 1e-9) {
        const double t = (kBackdropZ - o.z) / d.z;
        if (t < hit.t) {
            const Vec p = o + d * t;
            hit.t = t;
            hit.normal = {0, 0, -1};
            if (p.y > 5.5) {
                hit.color = Mix({0.72, 0.76, 0.80}, {0.50, 0.58, 0.68}, std::min(1.0, (p.y - 5.5) / 6));
                hit.lit = false;
            } else {
                const double row = std::floor(p.y / 0.9);
                const double shift = std::fmod(row, 2.0) == 0 ? 0 : 0.8;
                const double u = p.x / 1.6 + shift / 1.6 - std::floor(p.x / 1.6 + shift / 1.6);
                const double v = p.y / 0.9 - row;
                const bool mortar = u < 0.06 || v < 0.1;
                const double grain = 0.06 * std::sin(p.x * 7.3 + row * 2.1);
                hit.color = mortar ? Color{0.62, 0.62, 0.6} : Color{0.40 + grain, 0.44 + grain, 0.50 + grain};
            }
        }
    }
    for (const Sphere& sp : s.spheres) HitSphere(sp, o, d, hit);
    HitBox(s.box, o, d, hit);

    if (std::isinf(hit.t)) return {0.6, 0.65, 0.72};
    if (!hit.lit) return hit.color;
    const double diffuse = std::max(0.0, Dot(hit.normal, kLight));
    const Vec h = Normalized(kLight - d);
    const double specular = std::pow(std::max(0.0, Dot(hit.normal, h)), 40) * 0.35;
    Color c = hit.color * (0.3 + 0.7 * diffuse) + Color{specular, specular, specular};
    // A little haze with distance, so the far plane reads as far.
    const double haze = std::min(0.35, hit.t / 70.0);
    return Mix(c, {0.6, 0.65, 0.72}, haze);
}

uint8_t ToByte(double v) {
    v = std::clamp(v, 0.0, 1.0);
    return uint8_t(std::lround(std::pow(v, 1 / 1.8) * 255.0));
}

// Renders one eye into its half of a 2W-wide bgr24 frame. eye is -1 for
// the left, +1 for the right.
void RenderView(const Scene& s, int eye, int w, int h, std::vector<uint8_t>& frame) {
    const double focal = (w / 2.0) / kHalfFovTan;
    const Vec origin = {eye * kEyeSeparation / 2, 0, 0};
    // Shifting each picture by half the screen-plane disparity puts that
    // plane at zero parallax.
    const double shift = focal * kEyeSeparation / (2 * kScreenDistance);
    const size_t rowBytes = size_t(2) * w * 3;
    const size_t half = eye < 0 ? 0 : size_t(w) * 3;
    static const double kSub[2] = {0.25, 0.75};  // 2x2 samples a pixel
    for (int y = 0; y < h; ++y) {
        uint8_t* out = frame.data() + size_t(y) * rowBytes + half;
        for (int x = 0; x < w; ++x) {
            Color sum;
            for (double sy : kSub) {
                for (double sx : kSub) {
                    const double u = (x + sx - w / 2.0 - eye * shift) / focal;
                    const double v = (h / 2.0 - (y + sy)) / focal;
                    sum = sum + Trace(s, origin, Normalized({u, v, 1}));
                }
            }
            sum = sum * 0.25;
            out[3 * x + 0] = ToByte(sum.b);
            out[3 * x + 1] = ToByte(sum.g);
            out[3 * x + 2] = ToByte(sum.r);
        }
    }
}

bool ParseCount(const char* text, int& value) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 1 || v > 1000000) return false;
    value = int(v);
    return true;
}

int Usage(const char* why) {
    if (why) std::fprintf(stderr, "make_sample_frames: %s\n", why);
    std::fprintf(stderr,
                 "usage: make_sample_frames [--frames N] [--width W] [--height H]\n"
                 "Writes N raw bgr24 side-by-side frames (2W x H, left view on the left)\n"
                 "to standard output. Defaults: 125 frames of 640 x 480 a view.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = int(kFps * kLoopSeconds), width = 640, height = 480;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return Usage(nullptr), 0;
        int* target = arg == "--frames" ? &frames : arg == "--width" ? &width : arg == "--height" ? &height : nullptr;
        if (!target) return Usage(("unknown option " + arg).c_str());
        if (i + 1 >= argc) return Usage((arg + " needs a value").c_str());
        if (!ParseCount(argv[++i], *target)) return Usage(("bad value for " + arg + ": " + argv[i]).c_str());
    }
    if (width > kMaxSide || height > kMaxSide) return Usage("a view is at most 4096 pixels a side");

#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<uint8_t> frame(size_t(2) * width * height * 3);
    for (int n = 0; n < frames; ++n) {
        const Scene scene = SceneAt(n / kFps);
        RenderView(scene, -1, width, height, frame);
        RenderView(scene, +1, width, height, frame);
        if (std::fwrite(frame.data(), 1, frame.size(), stdout) != frame.size()) {
            std::fprintf(stderr, "make_sample_frames: writing frame %d failed: %s\n", n, std::strerror(errno));
            return 1;
        }
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "make_sample_frames: writing failed: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

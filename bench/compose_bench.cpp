// Frame composition against a plain memcpy of the same number of output
// bytes, for every display mode of both pixel formats on side-by-side
// sources. The table printed at the end gives each mode's time relative to
// a memcpy of the bytes it composes and to a memcpy of the whole output
// frame the filter delivers, and the scalar kernels' time where a SIMD set
// is in use. Times are CPU times, so a busy machine disturbs them less.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "composition/compose.h"

namespace {

struct Size {
    int32_t width, height;
};
const Size kSizes[] = {{1920, 1080}, {3840, 2160}};
const PixelFormatCode kFormats[] = {PixelFormatCode::Rgb24, PixelFormatCode::Yuy2};
constexpr int32_t kLayout = 0;  // side by side

const char* FormatName(PixelFormatCode f) { return f == PixelFormatCode::Yuy2 ? "yuy2" : "rgb24"; }

std::string FrameKey(PixelFormatCode f, Size s) {
    return std::string(FormatName(f)) + "/" + std::to_string(s.width) + "x" + std::to_string(s.height) + "/frame";
}

std::string Key(PixelFormatCode f, Size s, int32_t mode) {
    return std::string(FormatName(f)) + "/" + std::to_string(s.width) + "x" + std::to_string(s.height) + "/mode" +
           std::to_string(mode);
}

// One source frame and one output frame, as the effect filter holds them.
struct Frames {
    std::vector<uint8_t> src, dst;
    FrameBuffers buffers;
    Frames(PixelFormatCode f, Size s) {
        const int32_t bpp = BytesPerPixel(f);
        src.resize(static_cast<size_t>(bpp) * s.width * s.height);
        dst.assign(2 * src.size(), 0);
        std::mt19937 rng(1);
        for (uint8_t& b : src) b = static_cast<uint8_t>(rng());
        buffers = FrameBuffers{src.data(), bpp * s.width, s.width, s.height,
                               dst.data(), 2 * bpp * s.width, 2 * s.width, s.height};
    }
};

size_t ComposedBytes(PixelFormatCode f, Size s, int32_t mode) {
    const ComposedArea a = ComposedAreaOf(f, mode, kLayout, s.width, s.height);
    return static_cast<size_t>(a.rowCount) * a.rowBytes;
}

void BM_Compose(benchmark::State& state, PixelFormatCode f, Size s, int32_t mode, const KernelSet* kernels) {
    Frames frames(f, s);
    for (auto _ : state) {
        ComposeFrameWith(*kernels, f, mode, kLayout, false, frames.buffers);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ComposedBytes(f, s, mode)));
}

void BM_Memcpy(benchmark::State& state, size_t bytes) {
    std::vector<uint8_t> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

bool MirrorsOrMixes(int32_t mode) { return (mode >= 2 && mode <= 6) || mode >= 11; }

void RegisterAll() {
    const KernelSet* simd = SimdKernels();
    for (PixelFormatCode f : kFormats)
        for (Size s : kSizes)
        {
            const size_t frameBytes = static_cast<size_t>(2 * BytesPerPixel(f)) * s.width * s.height;
            benchmark::RegisterBenchmark(("memcpy/" + FrameKey(f, s)).c_str(), BM_Memcpy, frameBytes)
                ->Unit(benchmark::kMicrosecond);
            for (int32_t mode = 0; mode < kDisplayModeCount; ++mode) {
                if (!HasCompositor(mode)) continue;
                const std::string key = Key(f, s, mode);
                benchmark::RegisterBenchmark(("memcpy/" + key).c_str(), BM_Memcpy, ComposedBytes(f, s, mode))
                    ->Unit(benchmark::kMicrosecond);
                benchmark::RegisterBenchmark(("compose/" + key).c_str(), BM_Compose, f, s, mode, &ActiveKernels())
                    ->Unit(benchmark::kMicrosecond);
                if (simd && MirrorsOrMixes(mode))
                    benchmark::RegisterBenchmark(("scalar/" + key).c_str(), BM_Compose, f, s, mode, &ScalarKernels())
                        ->Unit(benchmark::kMicrosecond);
            }
        }
}

// Collects every run so the ratios can be printed after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;  // name -> real time per iteration
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatios(const RatioReporter& r) {
    auto find = [&](const std::string& name) {
        auto it = r.times.find(name);
        return it == r.times.end() ? -1.0 : it->second;
    };
    std::printf("\nCPU us per frame; compose uses the %s kernels\n", ActiveKernels().name);
    std::printf("%-28s %10s %10s %10s %10s %9s %9s %9s\n", "format/size/mode", "compose", "memcpy", "frame cp",
                "scalar", "x memcpy", "x frame", "x scalar");
    for (PixelFormatCode f : kFormats)
        for (Size s : kSizes) {
            const double frame = find("memcpy/" + FrameKey(f, s));
            for (int32_t mode = 0; mode < kDisplayModeCount; ++mode) {
                const std::string key = Key(f, s, mode);
                const double compose = find("compose/" + key), copy = find("memcpy/" + key);
                const double scalar = find("scalar/" + key);
                if (compose < 0 || copy < 0) continue;
                std::printf("%-28s %10.1f %10.1f %10.1f ", key.c_str(), compose, copy, frame);
                if (scalar > 0)
                    std::printf("%10.1f ", scalar);
                else
                    std::printf("%10s ", "-");
                std::printf("%9.2f %9.2f ", compose / copy, frame > 0 ? compose / frame : 0.0);
                if (scalar > 0)
                    std::printf("%9.2f\n", scalar / compose);
                else
                    std::printf("%9s\n", "-");
            }
        }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}

// The cost of one tick's work: createpoint against a surface that draws nothing, with the
// real clock-seeded generator and with a trivial one (the difference is the reseed), and
// Val on the short texts the settings and the dialog read.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>

#include "runtime/numbers.h"
#include "runtime/random.h"
#include "saver/painter.h"

namespace glimra {
namespace {

using namespace runtime;

// Draws nothing, but keeps the point so that the work cannot be optimised away.
class NullSurface final : public Surface {
  public:
    float Width() const override { return 28800; }  // 1920 x 1080 pixels in twips
    float Height() const override { return 16200; }
    void Cls() override {}
    void PSet(float x, float y, std::uint32_t colour) override {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(colour);
    }
};

// A linear congruential generator with no reseed at all.
class TrivialRandom final : public RandomSource {
  public:
    void Randomize() override {}
    float Next() override {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(state_ >> 8) * (1.0f / 16777216.0f);
    }

  private:
    std::uint32_t state_ = 1;
};

template <typename Random>
void BM_Createpoint(benchmark::State& state) {
    NullSurface surface;
    Random random;
    PointPainter painter;
    for (auto _ : state) painter.createpoint(30, surface, random);
}
BENCHMARK(BM_Createpoint<ClockRandom>)->Name("createpoint/ClockRandom");
BENCHMARK(BM_Createpoint<TrivialRandom>)->Name("createpoint/TrivialRandom");

void BM_Randomize(benchmark::State& state) {
    ClockRandom random;
    for (auto _ : state) random.Randomize();
}
BENCHMARK(BM_Randomize);

void BM_Val(benchmark::State& state, std::wstring_view text) {
    for (auto _ : state) benchmark::DoNotOptimize(Val(text));
}
BENCHMARK_CAPTURE(BM_Val, count, std::wstring_view(L"30"));
BENCHMARK_CAPTURE(BM_Val, blanks, std::wstring_view(L"  25 "));
BENCHMARK_CAPTURE(BM_Val, fraction, std::wstring_view(L"200.5"));
BENCHMARK_CAPTURE(BM_Val, suffix, std::wstring_view(L"50abc"));
BENCHMARK_CAPTURE(BM_Val, handle, std::wstring_view(L" 1234567"));
BENCHMARK_CAPTURE(BM_Val, empty, std::wstring_view(L""));

}  // namespace
}  // namespace glimra

BENCHMARK_MAIN();

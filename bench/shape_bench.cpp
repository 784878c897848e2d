// Whole conversions over growing feeds of every hostile shape. The complexity fit shows that
// each shape takes time linear in the input.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_files.h"
#include "feeds.h"

namespace {

using lorvex::bench::Shape;
using lorvex::bench::TempFile;

void convertShape(benchmark::State& state, Shape shape) {
    std::string feed = lorvex::bench::makeFeed(shape, static_cast<std::size_t>(state.range(0)));
    TempFile input("shape.xml", feed), output("shape.rec");
    int records = 0;
    for (auto _ : state)
        records = lorvex::bench::convert(input, output);
    if (records < 0) state.SkipWithError("conversion failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
    state.SetComplexityN(static_cast<std::int64_t>(feed.size()));
    state.counters["records"] = records;
}

#define LORVEX_SHAPE_BENCHMARK(shape)                    \
    BENCHMARK_CAPTURE(convertShape, shape, Shape::shape) \
        ->RangeMultiplier(4)                             \
        ->Range(256 << 10, 64 << 20)                     \
        ->Unit(benchmark::kMillisecond)                  \
        ->Complexity(benchmark::oN)

LORVEX_SHAPE_BENCHMARK(realistic);
LORVEX_SHAPE_BENCHMARK(noDescriptionEnd);
LORVEX_SHAPE_BENCHMARK(noTitleEnd);
LORVEX_SHAPE_BENCHMARK(altWithoutStyle);
LORVEX_SHAPE_BENCHMARK(hugeDescription);
LORVEX_SHAPE_BENCHMARK(oneLine);
LORVEX_SHAPE_BENCHMARK(tinyItems);

}  // namespace

// Whole conversions over growing feeds of every hostile shape. The complexity fit shows that
// each shape takes time linear in the input; the counter "window" is the most memory the text's
// window held, which only the shapes whose one item spans the feed make grow with it.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_files.h"
#include "convert.h"
#include "feeds.h"

namespace {

using lorvex::bench::Shape;
using lorvex::bench::TempFile;

void convertShape(benchmark::State& state, Shape shape) {
    std::string feed = lorvex::bench::makeFeed(shape, static_cast<std::size_t>(state.range(0)));
    TempFile input("shape.xml", feed), output("shape.rec");
    lorvex::Conversion result;
    for (auto _ : state)
        result = lorvex::openAndConvert(input.path().native(), output.path().native());
    if (result.failure != lorvex::Failure::none) state.SkipWithError("conversion failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
    state.SetComplexityN(static_cast<std::int64_t>(feed.size()));
    state.counters["records"] = result.records;
    state.counters["window"] =
        benchmark::Counter(static_cast<double>(result.largestWindow), benchmark::Counter::kDefaults,
                           benchmark::Counter::kIs1024);
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
LORVEX_SHAPE_BENCHMARK(wordpressOrder);
LORVEX_SHAPE_BENCHMARK(tinyItems);

}  // namespace

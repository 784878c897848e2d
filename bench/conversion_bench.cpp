// Whole conversions, file to file, over growing feeds of every shape. The complexity fit shows
// that each shape takes time linear in the input.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "feeds.h"
#include "lorvex.h"

namespace {

namespace fs = std::filesystem;
using lorvex::bench::Shape;

std::u16string widePath(const fs::path& path) { return path.u16string(); }

void convertShape(benchmark::State& state, Shape shape) {
    auto size = static_cast<std::size_t>(state.range(0));
    fs::path dir = fs::temp_directory_path();
    fs::path input = dir / "lorvex-bench-input.xml";
    fs::path output = dir / "lorvex-bench-output.rec";
    std::string feed = lorvex::bench::makeFeed(shape, size);
    std::ofstream(input, std::ios::binary).write(feed.data(), static_cast<std::streamsize>(feed.size()));
    std::u16string in = widePath(input), out = widePath(output);
    int records = 0;
    for (auto _ : state) {
        records = ConvertFile(reinterpret_cast<const lorvex_char*>(in.c_str()),
                              reinterpret_cast<const lorvex_char*>(out.c_str()));
        benchmark::DoNotOptimize(records);
    }
    if (records < 0) state.SkipWithError("conversion failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
    state.SetComplexityN(static_cast<std::int64_t>(feed.size()));
    state.counters["records"] = records;
    fs::remove(input);
    fs::remove(output);
}

#define LORVEX_SHAPE_BENCHMARK(shape)                                                       \
    BENCHMARK_CAPTURE(convertShape, shape, Shape::shape)                                    \
        ->RangeMultiplier(4)                                                                \
        ->Range(64 << 10, 16 << 20)                                                         \
        ->Unit(benchmark::kMillisecond)                                                     \
        ->Complexity(benchmark::oN)

LORVEX_SHAPE_BENCHMARK(realistic);
LORVEX_SHAPE_BENCHMARK(oneLine);
LORVEX_SHAPE_BENCHMARK(noDescriptionEnd);
LORVEX_SHAPE_BENCHMARK(noTitleEnd);
LORVEX_SHAPE_BENCHMARK(altWithoutStyle);
LORVEX_SHAPE_BENCHMARK(hugeDescription);
LORVEX_SHAPE_BENCHMARK(tinyItems);

}  // namespace

BENCHMARK_MAIN();

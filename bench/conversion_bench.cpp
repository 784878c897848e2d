// Whole conversions of realistic feeds, file to file, alone and two at once.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "bench_files.h"
#include "feeds.h"

namespace {

using lorvex::bench::TempFile;

void convertRealisticFeed(benchmark::State& state) {
    auto size = static_cast<std::size_t>(state.range(0)) << 20;
    std::string feed = lorvex::bench::makeRealisticFeed(size);
    TempFile input("realistic.xml", feed), output("realistic.rec");
    int records = 0;
    for (auto _ : state)
        records = lorvex::bench::convert(input, output);
    if (records < 0) state.SkipWithError("conversion failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
    state.counters["records"] = records;
}
BENCHMARK(convertRealisticFeed)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Each thread converts a feed of its own; the bytes per second of the two-thread run against
// the one-thread run show how well conversions scale. (No pause between runs here: pausing a
// multi-threaded benchmark makes its threads wait for one another. Each run empties the last
// one's output instead, at the same cost whatever the number of threads.)
void convertInParallel(benchmark::State& state) {
    constexpr std::size_t size = std::size_t{100} << 20;
    std::string name = "parallel-" + std::to_string(state.thread_index());
    auto seed = static_cast<std::uint32_t>(state.thread_index() + 1);
    auto input =
        std::make_unique<TempFile>(name + ".xml", lorvex::bench::makeRealisticFeed(size, seed));
    TempFile output(name + ".rec");
    int records = 0;
    for (auto _ : state)
        records = lorvex::bench::convert(*input, output);
    if (records < 0) state.SkipWithError("conversion failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(convertInParallel)->Threads(1)->Threads(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

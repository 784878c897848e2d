// Whole conversions of realistic feeds, file to file, alone and two at once.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "bench_files.h"
#include "feeds.h"

namespace {

using lorvex::bench::TempFile;

void convertFeed(benchmark::State& state, const std::string& feed) {
    if (feed.empty()) return state.SkipWithError("no such encoding on this system");
    TempFile input("feed.xml", feed), output("feed.rec");
    int records = 0;
    for (auto _ : state)
        records = lorvex::bench::convert(input, output);
    if (records < 0) state.SkipWithError("conversion failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
    state.counters["records"] = records;
}

void convertRealisticFeed(benchmark::State& state) {
    convertFeed(state,
                lorvex::bench::makeRealisticFeed(static_cast<std::size_t>(state.range(0)) << 20));
}
BENCHMARK(convertRealisticFeed)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same 100 MiB feed in other encodings: UTF-16 is decoded as it is read, windows-1252 and
// koi8-r are searched in their bytes, Shift_JIS goes through the system's converter.
void convertEncodedFeed(benchmark::State& state, const char* encoding) {
    convertFeed(state, lorvex::bench::transcode(
                           lorvex::bench::makeRealisticFeed(std::size_t{100} << 20), encoding));
}
BENCHMARK_CAPTURE(convertEncodedFeed, utf16le, "UTF-16LE")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertEncodedFeed, windows1252, "windows-1252")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertEncodedFeed, koi8r, "koi8-r")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertEncodedFeed, shiftJis, "shift_jis")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Each thread converts a feed of its own; the bytes per second of the two-thread run against
// the one-thread run show how well conversions scale. (No pause between runs here: pausing a
// multi-threaded benchmark makes its threads wait for one another. Each run replaces the last
// one's output instead, its records renamed over it, at the same cost whatever the number of
// threads.)
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

// The stages of a conversion alone, on a 10 MiB realistic feed held in memory: the walk with its
// fitting and no output, in each form of text, and writing records.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_files.h"
#include "feed_text.h"
#include "feeds.h"
#include "record.h"
#include "scanner.h"

namespace {

using lorvex::bench::TempFile;

constexpr std::size_t feedSize = std::size_t{10} << 20;

// The walk over a feed's bytes, read from memory a chunk at a time as from a file.
void scan(benchmark::State& state, const std::string& feed) {
    if (feed.empty()) return state.SkipWithError("no such encoding on this system");
    std::size_t accepted = 0;
    for (auto _ : state) {
        accepted = 0;
        lorvex::MemorySource<char> source(feed);
        lorvex::FeedText text(source);
        lorvex::walkFeedText(text, [&](const lorvex::ScannedItem& item) {
            accepted += item.verdict == lorvex::Verdict::accepted;
            return true;
        });
        benchmark::DoNotOptimize(accepted);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
    state.counters["records"] = static_cast<double>(accepted);
}

void scanUtf8(benchmark::State& state) {
    scan(state, lorvex::bench::makeRealisticFeed(feedSize));
}
BENCHMARK(scanUtf8)->Unit(benchmark::kMillisecond);

void scanUtf16(benchmark::State& state) {
    scan(state, lorvex::bench::transcode(lorvex::bench::makeRealisticFeed(feedSize), "UTF-16LE"));
}
BENCHMARK(scanUtf16)->Unit(benchmark::kMillisecond);

void scanWindows1252(benchmark::State& state) {
    scan(state,
         lorvex::bench::transcode(lorvex::bench::makeRealisticFeed(feedSize), "windows-1252"));
}
BENCHMARK(scanWindows1252)->Unit(benchmark::kMillisecond);

void scanShiftJis(benchmark::State& state) {
    scan(state, lorvex::bench::transcode(lorvex::bench::makeRealisticFeed(feedSize), "shift_jis"));
}
BENCHMARK(scanShiftJis)->Unit(benchmark::kMillisecond);

void writeRecords(benchmark::State& state) {
    constexpr std::size_t records = 10'000;
    TempFile output("stage.rec");
    lorvex::Record record;
    record.units.fill(u'x');
    for (auto _ : state) {
        lorvex::platform::OutputFile file;
        file.open(output.path().string());
        lorvex::RecordWriter writer(file);
        for (std::size_t i = 0; i < records; ++i)
            writer.writeRecord(record);
        writer.flush();
        file.commit();
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * records * lorvex::recordBytes));
}
BENCHMARK(writeRecords)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

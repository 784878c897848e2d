// The stages of a conversion alone, on a 10 MiB realistic feed: loading and decoding, the walk
// with its fitting (no output), and writing records.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_files.h"
#include "conversion/convert.h"
#include "conversion/record.h"
#include "conversion/scanner.h"
#include "feeds.h"

namespace {

using lorvex::bench::TempFile;

constexpr std::size_t feedSize = std::size_t{10} << 20;

void loadAndDecode(benchmark::State& state) {
    std::string feed = lorvex::bench::makeRealisticFeed(feedSize);
    TempFile input("stage.xml", feed);
    for (auto _ : state) {
        lorvex::LoadedFeed loaded;
        lorvex::loadFeedText(input.path().string(), loaded);
        benchmark::DoNotOptimize(loaded.text.utf8.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
}
BENCHMARK(loadAndDecode)->Unit(benchmark::kMillisecond);

void scan(benchmark::State& state, const lorvex::FeedText& text, std::size_t bytes) {
    std::size_t accepted = 0;
    for (auto _ : state) {
        accepted = 0;
        lorvex::walkFeedText(text, [&](const lorvex::ScannedItem& item) {
            accepted += item.verdict == lorvex::Verdict::accepted;
            return true;
        });
        benchmark::DoNotOptimize(accepted);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["records"] = static_cast<double>(accepted);
}

void scanUtf8(benchmark::State& state) {
    std::string feed = lorvex::bench::makeRealisticFeed(feedSize);
    scan(state, lorvex::FeedText{true, feed, {}}, feed.size());
}
BENCHMARK(scanUtf8)->Unit(benchmark::kMillisecond);

void scanUtf16(benchmark::State& state) {
    std::string feed = lorvex::bench::makeRealisticFeed(feedSize);
    lorvex::FeedText text{false, {}, {}};
    lorvex::decodeAs(lorvex::Encoding::utf8, feed, text.utf16);
    scan(state, text, feed.size());
}
BENCHMARK(scanUtf16)->Unit(benchmark::kMillisecond);

void writeRecords(benchmark::State& state) {
    constexpr std::size_t records = 10'000;
    TempFile output("stage.rec");
    lorvex::platform::FileBytes noInput;
    lorvex::Record record;
    lorvex::fitText(u"A title", record.units.data(), lorvex::recordWidth);
    for (auto _ : state) {
        lorvex::platform::OutputFile file;
        file.open(output.path().string(), noInput);
        lorvex::RecordWriter writer(file);
        for (std::size_t i = 0; i < records; ++i)
            writer.writeRecord(record);
        writer.flush();
        file.close();
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * records * lorvex::recordBytes));
}
BENCHMARK(writeRecords)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

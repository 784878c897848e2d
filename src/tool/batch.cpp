#include "batch.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <system_error>

#include "arguments.h"
#include "convert_command.h"
#include "file.h"
#include "terminal.h"

namespace lorvex::tool {

namespace {

// A thread of the batch must not throw: out of memory while building a path is a failure of
// that feed like any other.
Conversion convertWithoutThrowing(const std::string& input, const std::string& output) {
    try {
        return convertNamed(input, output);
    } catch (const std::bad_alloc&) {
        return {0, Failure::outOfMemory, platform::noMemory};
    }
}

}  // namespace

std::jthread startThread(std::function<void()> body) {
    return std::jthread(std::move(body));
}

std::size_t runInParallel(std::size_t count, unsigned threads,
                          const std::function<void(std::size_t)>& work,
                          const std::function<void(std::size_t done)>& finished,
                          const ThreadStarter& start) {
    std::atomic<std::size_t> next{0};
    std::mutex lock;
    std::size_t done = 0;
    auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            work(i);
            std::lock_guard<std::mutex> hold(lock);
            finished(++done);
        }
    };
    std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), count);
    std::vector<std::jthread> helpers;
    try {
        // The calling thread is one of the workers.
        while (helpers.size() + 1 < wanted)
            helpers.push_back(start(worker));
    } catch (const std::system_error&) {
        // Go on with the threads there are.
    }
    worker();
    return helpers.size() + 1;
}

unsigned coreCount() {
    return std::max(std::thread::hardware_concurrency(), 1u);
}

std::string progressLine(std::size_t done, std::size_t total, std::size_t columns) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on " " + std::to_string(...) at -O3.
    std::string count(" ");
    count.append(std::to_string(done)).append("/").append(std::to_string(total)).append(" feeds");
    std::size_t bar =
        std::min<std::size_t>(columns > count.size() + 3 ? columns - count.size() - 3 : 0, 40);
    std::size_t filled = total == 0 ? bar : bar * done / total;
    std::string line("[");
    line.append(filled, '#').append(bar - filled, '.').append("]").append(count);
    return line;
}

ProgressBar::ProgressBar(std::FILE* stream, std::size_t total, std::size_t columns, bool enabled)
    : stream_(stream), total_(total), columns_(columns), enabled_(enabled) {
    show(0);
}

void ProgressBar::show(std::size_t done) {
    if (!enabled_) return;
    std::fputc('\r', stream_);
    std::fputs(progressLine(done, total_, columns_).c_str(), stream_);
    std::fflush(stream_);
}

void ProgressBar::clear() {
    if (!enabled_) return;
    // Spaces over the bar rather than an erase sequence, which not every console knows.
    std::string blank = progressLine(total_, total_, columns_);
    std::fputc('\r', stream_);
    std::fputs(std::string(blank.size(), ' ').c_str(), stream_);
    std::fputc('\r', stream_);
    std::fflush(stream_);
}

ExitStatus convertBatch(const BatchOptions& options) {
    // Made only when missing. A drive alone (Z:) and a folder relative to a drive's current one
    // (Z:out) are no paths that std::filesystem can look at or climb: spelled Z:. and Z:.\out,
    // they name the same folders.
    std::error_code error;
    platform::NativePath folder = nativePath(options.outputDir);
#ifdef _WIN32
    if (folder.size() >= 2 && folder[1] == L':' &&
        (folder.size() == 2 || (folder[2] != L'\\' && folder[2] != L'/'))) {
        folder.insert(2, folder.size() == 2 ? L"." : L".\\");
    }
#endif
    const std::filesystem::path directory(folder);
    if (!std::filesystem::is_directory(directory, error)) {
        error.clear();
        std::filesystem::create_directories(directory, error);
    }
    if (error) {
        complain("cannot create the directory " + quotedName(options.outputDir) + ": " +
                 error.message());
        return ExitStatus::failure;
    }

    // A feed that is its own record file (a second run over "*" meets the first run's records)
    // is left alone. Of two feeds with one record file, the first keeps it and the others fail.
    std::size_t count = options.feeds.size();
    std::vector<std::string> outputs(count);
    std::vector<std::string> clashes(count);
    std::vector<bool> skipped(count);
    std::map<std::string, std::size_t> firstWriter;
    for (std::size_t i = 0; i < count; ++i) {
        outputs[i] = joinPath(options.outputDir, recordFileName(options.feeds[i]));
        skipped[i] = isOwnRecordFile(options.feeds[i], outputs[i]);
        if (skipped[i]) continue;
        auto [first, isNew] = firstWriter.emplace(nameKey(outputs[i]), i);
        if (!isNew) clashes[i] = options.feeds[first->second];
    }

    std::vector<Conversion> results(count);
    ProgressBar bar(stderr, count, columnsOf(stderr), isTerminal(stderr));
    std::size_t wanted = std::min<std::size_t>(options.jobs, count);
    std::size_t threads = runInParallel(
        count, options.jobs,
        [&](std::size_t i) {
            if (!skipped[i] && clashes[i].empty()) {
                results[i] = convertWithoutThrowing(options.feeds[i], outputs[i]);
            }
        },
        [&](std::size_t done) { bar.show(done); }, options.startThread);
    bar.clear();
    if (threads < wanted) {
        complain("the system started only " + counted(threads, "thread", "threads") + " of " +
                 std::to_string(wanted) + "; the feeds were converted on those");
    }

    std::size_t failures = 0, records = 0, skips = 0;
    for (const std::string& pattern : options.unmatched) {
        complain("no file matches " + quotedName(pattern));
        ++failures;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::string feed = quotedName(options.feeds[i]), output = quotedName(outputs[i]);
        if (skipped[i]) {
            complain("skipping " + feed + ": it is its own record file");
            ++skips;
        } else if (!clashes[i].empty()) {
            complain("cannot convert " + feed + ": " + output + " is already written from " +
                     quotedName(clashes[i]));
            ++failures;
        } else if (results[i].failure != Failure::none) {
            complain(describeFailure(results[i], feed, output));
            ++failures;
        } else {
            records += static_cast<std::size_t>(results[i].records);
            if (options.verbose) {
                complain(recordsWritten(static_cast<std::size_t>(results[i].records), output));
            }
        }
    }
    std::string summary = counted(count + options.unmatched.size(), "feed", "feeds") + ", " +
                          counted(records, "record", "records") + ", " +
                          counted(failures, "failure", "failures");
    if (skips != 0) summary += ", " + std::to_string(skips) + " skipped";
    std::fprintf(stderr, "%s\n", summary.c_str());
    return failures == 0 ? ExitStatus::success : ExitStatus::failure;
}

}  // namespace lorvex::tool

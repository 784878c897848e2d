#include "convert_command.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <new>

#include "../conversion/convert.h"
#include "../platform/file.h"
#include "arguments.h"
#include "progress.h"
#include "report.h"
#include "terminal.h"
#include "text.h"

namespace lorvex::cli {

namespace {

// One line that names the file and the reason.
std::string describeFailure(const Conversion& result, const std::string& input,
                            const std::string& output) {
    std::string reason = reasonFor(result.error);
    switch (result.failure) {
        case Failure::none:
            break;
        case Failure::openInput:
        case Failure::readInput:
            return readFailure(input, result.error, result.failure == Failure::readInput);
        case Failure::createOutput:
            return "cannot create " + output + ": " + reason;
        case Failure::writeOutput:
            return "cannot write " + output + ": " + reason;
        case Failure::finishOutput:
            return "cannot finish " + output + ": " + reason;
        case Failure::outOfMemory:
            return "out of memory converting " + input;
    }
    return {};
}

// Converts input into output, either of them "-" for a standard stream.
Conversion convertNamed(const std::string& input, const std::string& output) {
    platform::InputFile in;
    platform::Error error = input == "-" ? in.openStandardInput() : in.open(nativePath(input));
    if (error != 0) return {0, Failure::openInput, error};
    platform::OutputFile out;
    error = output == "-" ? out.openStandardOutput() : out.open(nativePath(output));
    if (error != 0) return {0, Failure::createOutput, error};
    return convert(in, out);
}

// A thread of the batch must not throw: out of memory while building a path is a failure of
// that feed like any other.
Conversion convertWithoutThrowing(const std::string& input, const std::string& output) {
    try {
        return convertNamed(input, output);
    } catch (const std::bad_alloc&) {
        return {0, Failure::outOfMemory, platform::noMemory};
    }
}

std::string recordsWritten(std::size_t records, const std::string& output) {
    return counted(records, "record", "records") + " written to " + output;
}

}  // namespace

std::string recordFileName(const std::string& feed) {
    std::string name = lastComponent(feed);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) name.erase(dot);
    return name + ".rec";
}

ExitStatus convertOne(const std::string& input, const std::string& output, bool verbose) {
    Conversion result = convertNamed(input, output);
    std::string outputName = fileName(output, "standard output");
    if (result.failure != Failure::none) {
        // A reader of standard output that has gone (head) wants no more, and no complaint.
        bool readerGone = output == "-" && platform::isBrokenPipe(result.error);
        if (!readerGone) complain(describeFailure(result, fileName(input), outputName));
        return ExitStatus::failure;
    }
    if (verbose) complain(recordsWritten(static_cast<std::size_t>(result.records), outputName));
    return ExitStatus::success;
}

ExitStatus convertBatch(const BatchOptions& options) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(nativePath(options.outputDir)),
                                        error);
    if (error) {
        complain("cannot create the directory " + fileName(options.outputDir) + ": " +
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
        skipped[i] = platform::sameFile(nativePath(options.feeds[i]), nativePath(outputs[i]));
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
    for (std::size_t i = 0; i < count; ++i) {
        std::string feed = fileName(options.feeds[i]), output = fileName(outputs[i]);
        if (skipped[i]) {
            complain("skipping " + feed + ": it is its own record file");
            ++skips;
        } else if (!clashes[i].empty()) {
            complain("cannot convert " + feed + ": " + output + " is already written from " +
                     fileName(clashes[i]));
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
    std::string summary = counted(count, "feed", "feeds") + ", " +
                          counted(records, "record", "records") + ", " +
                          counted(failures, "failure", "failures");
    if (skips != 0) summary += ", " + std::to_string(skips) + " skipped";
    std::fprintf(stderr, "%s\n", summary.c_str());
    return failures == 0 ? ExitStatus::success : ExitStatus::failure;
}

}  // namespace lorvex::cli

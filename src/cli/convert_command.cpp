#include "convert_command.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <new>

#include "../conversion/convert.h"
#include "arguments.h"
#include "parallel.h"
#include "progress.h"
#include "report.h"
#include "terminal.h"
#include "text.h"

namespace lorvex::cli {

namespace {

#ifdef _WIN32
constexpr std::string_view separators = "/\\";
#else
constexpr std::string_view separators = "/";
#endif

// One line that names the file and the reason.
std::string describeFailure(const Conversion& result, const std::string& input,
                            const std::string& output) {
    std::string reason = platform::errorMessage(result.error);
    switch (result.failure) {
        case Failure::none:
            break;
        case Failure::openInput:
        case Failure::readInput:
            return readFailure(input, result.error, result.failure == Failure::readInput);
        case Failure::createOutput:
            return "cannot create '" + output + "': " + reason;
        case Failure::writeOutput:
            return "cannot write '" + output + "': " + reason;
        case Failure::finishOutput:
            return "cannot finish '" + output + "': " + reason;
        case Failure::outOfMemory:
            return "out of memory converting '" + input + "'";
    }
    return {};
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return separators.find(dir.back()) == std::string_view::npos ? dir + '/' + name : dir + name;
}

// Output names as the file system compares them: Windows ignores letter case.
std::string sameFileKey(std::string path) {
#ifdef _WIN32
    for (char& c : path) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
#endif
    return path;
}

// A thread of the batch must not throw: out of memory while building a path is a failure of
// that feed like any other.
Conversion convertSafely(const std::string& input, const std::string& output) {
    try {
        return convertFile(nativePath(input), nativePath(output));
    } catch (const std::bad_alloc&) {
        return {0, Failure::outOfMemory, platform::noMemory};
    }
}

}  // namespace

std::string recordFileName(const std::string& feed) {
    std::size_t slash = feed.find_last_of(separators);
    std::string name = slash == std::string::npos ? feed : feed.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) name.erase(dot);
    return name + ".rec";
}

ExitStatus convertOne(const std::string& input, const std::string& output) {
    Conversion result = convertFile(nativePath(input), nativePath(output));
    if (result.failure != Failure::none) {
        complain(describeFailure(result, input, output));
        return ExitStatus::failure;
    }
    std::printf("%s written to '%s'\n",
                counted(static_cast<std::size_t>(result.records), "record", "records").c_str(),
                output.c_str());
    return ExitStatus::success;
}

ExitStatus convertBatch(const BatchOptions& options) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(nativePath(options.outputDir)),
                                        error);
    if (error) {
        complain("cannot create the directory '" + options.outputDir + "': " + error.message());
        return ExitStatus::failure;
    }

    // Two feeds with one name would write one file; the first keeps it, the others fail.
    std::size_t count = options.feeds.size();
    std::vector<std::string> outputs(count);
    std::vector<std::string> clashes(count);
    std::map<std::string, std::size_t> firstWriter;
    for (std::size_t i = 0; i < count; ++i) {
        outputs[i] = joinPath(options.outputDir, recordFileName(options.feeds[i]));
        auto [first, isNew] = firstWriter.emplace(sameFileKey(outputs[i]), i);
        if (!isNew) clashes[i] = options.feeds[first->second];
    }

    std::vector<Conversion> results(count);
    ProgressBar bar(stdout, count, outputColumns(), isTerminal(stdout));
    runInParallel(
        count, options.jobs,
        [&](std::size_t i) {
            if (clashes[i].empty()) results[i] = convertSafely(options.feeds[i], outputs[i]);
        },
        [&](std::size_t done) { bar.show(done); });
    bar.clear();

    std::size_t failures = 0;
    std::size_t records = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!clashes[i].empty()) {
            complain("cannot convert '" + options.feeds[i] + "': '" + outputs[i] +
                     "' is already written from '" + clashes[i] + "'");
            ++failures;
        } else if (results[i].failure != Failure::none) {
            complain(describeFailure(results[i], options.feeds[i], outputs[i]));
            ++failures;
        } else {
            records += static_cast<std::size_t>(results[i].records);
        }
    }
    std::printf("%s, %s, %s\n", counted(count, "feed", "feeds").c_str(),
                counted(records, "record", "records").c_str(),
                counted(failures, "failure", "failures").c_str());
    return failures == 0 ? ExitStatus::success : ExitStatus::failure;
}

}  // namespace lorvex::cli

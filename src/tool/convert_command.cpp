#include "convert_command.h"

#include "arguments.h"
#include "file.h"

namespace lorvex::tool {

// One line that names the file and the reason.
std::string describeFailure(const Conversion& result, const std::string& input,
                            const std::string& output) {
    // EFBIG from a write is the file-size limit, not the window's.
    std::string reason = result.error == platform::tooBig ? platform::errorMessage(result.error)
                                                          : reasonFor(result.error);
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
    if (platform::Error error = openArgument(in, input)) return {0, Failure::openInput, error};
    platform::OutputFile out;
    if (platform::Error error = openArgument(out, output)) return {0, Failure::createOutput, error};
    return convert(in, out);
}

std::string recordsWritten(std::size_t records, const std::string& output) {
    return counted(records, "record", "records") + " written to " + output;
}

std::string recordFileName(const std::string& feed) {
    std::string name = lastComponent(feed);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) name.erase(dot);
    return name + ".rec";
}

bool isOwnRecordFile(const std::string& input, const std::string& output) {
    if (output == "-") return false;
    if (input == "-") return platform::isStandardInput(nativePath(output));
    return platform::sameFile(nativePath(input), nativePath(output));
}

ExitStatus convertOne(const std::string& input, const std::string& output, bool verbose) {
    // The records would take the feed's place and the feed be lost: refused, as cp refuses to
    // copy a file onto itself.
    if (isOwnRecordFile(input, output)) {
        complain("cannot convert " + quotedName(input) + ": it is its own record file");
        return ExitStatus::failure;
    }
    Conversion result = convertNamed(input, output);
    std::string outputName = quotedName(output, "standard output");
    if (result.failure != Failure::none) {
        // A reader of standard output that has gone (head) wants no more, and no complaint.
        bool readerGone = output == "-" && platform::isBrokenPipe(result.error);
        if (!readerGone) complain(describeFailure(result, quotedName(input), outputName));
        return ExitStatus::failure;
    }
    if (verbose) complain(recordsWritten(static_cast<std::size_t>(result.records), outputName));
    return ExitStatus::success;
}

}  // namespace lorvex::tool

// lorvex: the command-line host of the conversion.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "../conversion/convert.h"
#include "arguments.h"

namespace {

using lorvex::Conversion;
using lorvex::Failure;

// One line that names the file and the reason.
std::string describeFailure(const Conversion& result, const std::string& input,
                            const std::string& output) {
    std::string reason = lorvex::platform::errorMessage(result.error);
    switch (result.failure) {
        case Failure::none:
            break;
        case Failure::badPath:
            return "cannot use the path '" + input + "' or '" + output + "'";
        case Failure::openInput:
            return "cannot open '" + input + "': " + reason;
        case Failure::readInput:
            if (result.error == EFBIG) return "cannot read '" + input + "': larger than 1 GiB";
            return "cannot read '" + input + "': " + reason;
        case Failure::createOutput:
            return "cannot create '" + output + "': " + reason;
        case Failure::writeOutput:
            return "cannot write '" + output + "': " + reason;
        case Failure::closeOutput:
            return "cannot close '" + output + "': " + reason;
        case Failure::outOfMemory:
            return "out of memory converting '" + input + "'";
    }
    return {};
}

int convert(const std::string& input, const std::string& output) {
    namespace cli = lorvex::cli;
    Conversion result = lorvex::convertFile(cli::nativePath(input), cli::nativePath(output));
    if (result.failure != Failure::none) {
        std::fprintf(stderr, "lorvex: %s\n", describeFailure(result, input, output).c_str());
        return 1;
    }
    std::printf("%d record%s written to '%s'\n", result.records, result.records == 1 ? "" : "s",
                output.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Converts RSS 2.0 feeds into files of fixed-width records.", "lorvex"};
    app.require_subcommand(1);
    app.failure_message(CLI::FailureMessage::help);
    // CLI11 reads /name as an option on Windows; here /feeds/a.xml is a path on every system.
    app.allow_windows_style_options(false);
    std::string input, output;
    CLI::App* convertCommand = app.add_subcommand("convert", "Convert a feed into a record file");
    convertCommand->add_option("INPUT", input, "The RSS 2.0 feed to read")->required();
    convertCommand->add_option("OUTPUT", output, "The record file to write")->required();

    std::vector<std::string> arguments = lorvex::cli::utf8Arguments(argc, argv);
    std::vector<std::string> rest(arguments.rbegin(), arguments.rend() - 1);
    try {
        app.parse(rest);
    } catch (const CLI::ParseError& error) {
        int status = app.exit(error);
        return status == 0 ? 0 : 2;
    }
    return convert(input, output);
}

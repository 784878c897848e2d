// lorvex: the command-line host of the conversion. This file reads the command line and hands
// it to one command; the exit status of every run comes back here.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "arguments.h"
#include "convert_command.h"
#include "explain_command.h"
#include "lorvex.h"
#include "parallel.h"
#include "report.h"
#include "show_command.h"
#include "terminal.h"

namespace {

using lorvex::cli::ExitStatus;

#define LORVEX_STRING(x) #x
#define LORVEX_VERSION_TEXT(major, minor, patch) \
    LORVEX_STRING(major) "." LORVEX_STRING(minor) "." LORVEX_STRING(patch)
constexpr const char* version =
    LORVEX_VERSION_TEXT(LORVEX_VERSION_MAJOR, LORVEX_VERSION_MINOR, LORVEX_VERSION_PATCH);

// CLI11 builds its usage line from the options; a command with two forms says it in its own
// words.
class Usage : public CLI::Formatter {
  public:
    explicit Usage(std::string usage) : usage_(std::move(usage)) {}
    std::string make_usage(const CLI::App*, std::string) const override { return usage_; }
    const std::string& usage() const { return usage_; }

  private:
    std::string usage_;
};

CLI::App* addCommand(CLI::App& app, const char* name, const char* description, std::string usage) {
    CLI::App* command = app.add_subcommand(name, description);
    command->formatter(std::make_shared<Usage>(std::move(usage)));
    return command;
}

// A command line that makes no sense: what is wrong, the command's usage, and where to learn more.
ExitStatus usageError(const CLI::App& command, const std::string& message) {
    std::string name = command.get_parent() != nullptr ? "lorvex " + command.get_name() : "lorvex";
    lorvex::cli::complain(message);
    const auto& usage = static_cast<const Usage&>(*command.get_formatter());
    std::fputs((usage.usage() + "Run '" + name + " --help' for more.\n").c_str(), stderr);
    return ExitStatus::usage;
}

lorvex::cli::Format formatNamed(const std::string& name) {
    if (name == "csv") return lorvex::cli::Format::csv;
    if (name == "json") return lorvex::cli::Format::json;
    if (name == "jsonl") return lorvex::cli::Format::jsonl;
    return lorvex::cli::Format::table;
}

ExitStatus run(const std::vector<std::string>& arguments) {
    CLI::App app{
        "lorvex converts RSS 2.0 feeds into files of fixed-width records, shows those\n"
        "records, and explains what the conversion makes of a feed.",
        "lorvex"};
    app.formatter(std::make_shared<Usage>("Usage: lorvex [--help] [--version] COMMAND ...\n"));
    // CLI11 reads /name as an option on Windows; here /feeds/a.xml is a path on every system.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("lorvex ") + version);
    app.require_subcommand(1);

    std::vector<std::string> files;
    std::string outputDir;
    unsigned jobs = lorvex::cli::coreCount();
    CLI::App* convert = addCommand(app, "convert", "Convert feeds into record files",
                                   "Usage: lorvex convert INPUT OUTPUT\n"
                                   "   or: lorvex convert -o OUTDIR [--jobs N] FEED...\n");
    convert->add_option("FILES", files, "The feed and the record file; with -o, the feeds")
        ->required();
    CLI::Option* outputDirOption = convert->add_option(
        "-o,--output-dir", outputDir,
        "Convert each FEED into OUTDIR/<name>.rec, creating OUTDIR when missing");
    outputDirOption->type_name("OUTDIR");
    convert->add_option("-j,--jobs", jobs, "Feeds converted at once (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::Range(1u, 1024u))
        ->needs(outputDirOption);
    convert->footer(
        "With -o, each FEED becomes OUTDIR/<name>.rec: its file name with the last extension\n"
        "replaced. A progress bar shows on a terminal, a summary line at the end. lorvex fails\n"
        "if any feed fails, naming each with its reason, and converts the others all the same.");

    lorvex::cli::ShowOptions show;
    std::string format;
    CLI::App* showCommand =
        addCommand(app, "show", "Show the records of a record file",
                   "Usage: lorvex show [--format table|csv|json|jsonl] [--raw] RECORDS\n");
    showCommand->add_option("RECORDS", show.path, "The record file to read")->required();
    showCommand->add_option("-f,--format", format, "How to show the records (see below)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(std::vector<std::string>{"table", "csv", "json", "jsonl"}));
    showCommand->add_flag("--raw", show.raw, "Keep the padding of each field (csv, json, jsonl)");
    showCommand->footer(
        "Formats: table, for people: one row per record, sized to the terminal;\n"
        "csv (RFC 4180), json (one array) and jsonl (one object per line), for programs.\n"
        "The default is table on a terminal and jsonl otherwise. Records are numbered from 1.\n"
        "A file whose size is not a multiple of 1100 bytes is damaged: its whole records are\n"
        "shown, then lorvex fails with the offset of the incomplete one.");

    std::string feed;
    CLI::App* explain = addCommand(app, "explain", "Tell what the conversion makes of each item",
                                   "Usage: lorvex explain FEED\n");
    explain->add_option("FEED", feed, "The RSS 2.0 feed to walk")->required();
    explain->footer(
        "One line for each item found: where it starts, its title, and the record it becomes\n"
        "or why it is skipped. Then why the walk stopped, and the counts.");
    app.footer("Run 'lorvex COMMAND --help' for one command, 'man lorvex' for the whole story.");

    std::vector<std::string> rest(arguments.rbegin(), arguments.rend() - 1);
    try {
        app.parse(rest);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            app.exit(error);
            return ExitStatus::success;
        }
        const CLI::App* command = &app;
        for (const CLI::App* sub : app.get_subcommands())
            command = sub;
        // CLI11 takes an unknown command for a stray argument and asks for a command instead.
        bool unknownCommand =
            command == &app && arguments.size() > 1 && !arguments[1].starts_with('-');
        if (unknownCommand) return usageError(app, "'" + arguments[1] + "' is not a command");
        return usageError(*command, error.what());
    }

    if (*showCommand) {
        if (!format.empty()) show.format = formatNamed(format);
        return lorvex::cli::showRecords(show);
    }
    if (*explain) return lorvex::cli::explainFeed(feed);
    if (outputDirOption->count() != 0) {
        return lorvex::cli::convertBatch({outputDir, files, jobs});
    }
    if (files.size() != 2) {
        return usageError(*convert, "convert takes INPUT OUTPUT, or -o OUTDIR FEED...");
    }
    return lorvex::cli::convertOne(files[0], files[1]);
}

}  // namespace

int main(int argc, char** argv) {
    lorvex::cli::Utf8Output utf8Output;
    ExitStatus status;
    try {
        status = run(lorvex::cli::utf8Arguments(argc, argv));
    } catch (const std::bad_alloc&) {
        lorvex::cli::complain("out of memory");
        status = ExitStatus::failure;
    }
    return static_cast<int>(lorvex::cli::finishOutput(status));
}

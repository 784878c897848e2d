// lorvex: the command-line host of the conversion. This file reads the command line and hands
// it to one command; the exit status of every run comes back here.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "arguments.h"
#include "batch.h"
#include "convert_command.h"
#include "explain_command.h"
#include "lorvex.h"
#include "report.h"
#include "show_command.h"
#include "signals.h"
#include "terminal.h"

namespace {

using lorvex::tool::ExitStatus;

#define LORVEX_STRING(x) #x
#define LORVEX_VERSION_TEXT(major, minor, patch) \
    LORVEX_STRING(major) "." LORVEX_STRING(minor) "." LORVEX_STRING(patch)
constexpr const char* version =
    LORVEX_VERSION_TEXT(LORVEX_VERSION_MAJOR, LORVEX_VERSION_MINOR, LORVEX_VERSION_PATCH);

// Each command's usage and help in the tool's own words, as the manual page writes them: CLI11's
// generated help would name parser types and constraints.
class Usage : public CLI::Formatter {
  public:
    Usage(std::string usage, std::string help) : usage_(std::move(usage)), help_(std::move(help)) {}
    std::string make_usage(const CLI::App*, std::string) const override { return usage_; }
    std::string make_help(const CLI::App*, std::string, CLI::AppFormatMode) const override {
        return usage_ + "\n" + help_;
    }
    const std::string& usage() const { return usage_; }

  private:
    std::string usage_, help_;
};

const Usage& usageOf(const CLI::App& command) {
    return static_cast<const Usage&>(*command.get_formatter());
}

CLI::App* addCommand(CLI::App& app, const char* name, std::string usage, std::string help) {
    CLI::App* command = app.add_subcommand(name);
    command->formatter(std::make_shared<Usage>(std::move(usage), std::move(help)));
    return command;
}

// A command line that makes no sense: what is wrong, the command's usage, and where to learn more.
ExitStatus usageError(const CLI::App& command, const std::string& message) {
    std::string name = command.get_parent() != nullptr ? "lorvex " + command.get_name() : "lorvex";
    lorvex::tool::complain(message);
    std::fputs((usageOf(command).usage() + "Run '" + name + " --help' for more.\n").c_str(),
               stderr);
    return ExitStatus::usage;
}

const char* const toolHelp =
    "lorvex converts RSS 2.0 feeds into files of fixed-width records, shows those\n"
    "records, and explains what the conversion makes of a feed.\n"
    "\n"
    "Commands:\n"
    "  convert   convert feeds into record files\n"
    "  show      show the records of a record file\n"
    "  explain   tell what the conversion makes of each item of a feed\n"
    "\n"
    "Run 'lorvex COMMAND --help' for one command, 'man lorvex' for the whole story.\n";

const char* const convertHelp =
    "Converts FEED into the record file OUT, or each FEED into DIR/<name>.rec: its file\n"
    "name with the last extension replaced. '-' as FEED reads standard input, '-' as OUT\n"
    "writes standard output. OUT is replaced only when the conversion succeeds.\n"
    "\n"
    "  -o, --output OUT       the record file to write\n"
    "  -d, --output-dir DIR   convert each FEED into DIR, which is created when missing\n"
    "  -j, --jobs N           with -d, feeds converted at once, 1 to 1024 (default: one\n"
    "                         per core)\n"
    "  -v, --verbose          say how many records each feed became\n"
    "\n"
    "With -d, a progress bar shows while standard error is a terminal, and a summary line\n"
    "ends the run. A feed that is its own record file is skipped. lorvex fails if any feed\n"
    "fails, naming each with its reason, and converts the others all the same.\n";

const char* const showHelp =
    "Shows the records of RECORDS, or of standard input without it or with '-'.\n"
    "\n"
    "  -f, --format FORMAT    table, for people: one row per record, sized to the terminal;\n"
    "                         csv (RFC 4180), json (one array) or jsonl (one object per\n"
    "                         line), for programs. The default is table on a terminal and\n"
    "                         jsonl otherwise.\n"
    "      --raw              keep the padding of each field (csv, json, jsonl)\n"
    "\n"
    "Records are numbered from 1. A file whose size is not a multiple of 1100 bytes is\n"
    "damaged: its whole records are shown, then lorvex fails with the offset of the\n"
    "incomplete one.\n";

const char* const explainHelp =
    "Walks FEED ('-' reads standard input) as the conversion does and prints one line for\n"
    "each item as it is found: where it starts, its title, and the record it becomes or\n"
    "why it is skipped. Then the counts.\n";

ExitStatus run(const std::vector<std::string>& arguments) {
    CLI::App app{"", "lorvex"};
    app.formatter(
        std::make_shared<Usage>("Usage: lorvex [--help] [--version] COMMAND ...\n", toolHelp));
    // CLI11 reads /name as an option on Windows; here /feeds/a.xml is a path on every system.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("lorvex ") + version);
    app.require_subcommand(1);

    std::vector<std::string> files;
    std::string output, outputDir;
    unsigned jobs = lorvex::tool::coreCount();
    bool verbose = false;
    CLI::App* convert = addCommand(app, "convert",
                                   "Usage: lorvex convert [-v] FEED OUT\n"
                                   "   or: lorvex convert [-v] FEED -o OUT\n"
                                   "   or: lorvex convert [-v] -d DIR [-j N] FEED...\n",
                                   convertHelp);
    convert->add_option("FEED", files)->required();
    CLI::Option* outputOption = convert->add_option("-o,--output", output);
    CLI::Option* outputDirOption = convert->add_option("-d,--output-dir", outputDir);
    outputOption->excludes(outputDirOption);
    convert->add_option("-j,--jobs", jobs)->check(CLI::Range(1u, 1024u))->needs(outputDirOption);
    convert->add_flag("-v,--verbose", verbose);

    lorvex::tool::ShowOptions show;
    std::string format;
    CLI::App* showCommand = addCommand(
        app, "show", "Usage: lorvex show [--format table|csv|json|jsonl] [--raw] [RECORDS]\n",
        showHelp);
    show.path = "-";
    showCommand->add_option("RECORDS", show.path);
    showCommand->add_option("-f,--format", format)
        ->check(CLI::IsMember(lorvex::tool::formatNames()));
    showCommand->add_flag("--raw", show.raw);

    std::string feed;
    CLI::App* explain = addCommand(app, "explain", "Usage: lorvex explain FEED\n", explainHelp);
    explain->add_option("FEED", feed)->required();

    std::vector<std::string> rest(arguments.rbegin(), arguments.rend() - 1);
    const CLI::App* command = &app;
    try {
        app.parse(rest);
    } catch (const CLI::ParseError& error) {
        for (const CLI::App* sub : app.get_subcommands())
            command = sub;
        if (dynamic_cast<const CLI::CallForVersion*>(&error) != nullptr) {
            lorvex::tool::print(std::string("lorvex ") + version + "\n");
            return ExitStatus::success;
        }
        if (error.get_exit_code() == 0) {
            lorvex::tool::print(command->help());
            return ExitStatus::success;
        }
        // CLI11 takes an unknown command for a stray argument and asks for a command instead.
        bool unknownCommand =
            command == &app && arguments.size() > 1 && !arguments[1].starts_with('-');
        if (unknownCommand)
            return usageError(app, lorvex::tool::quotedName(arguments[1]) + " is not a command");
        if (command == &app && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr)
            return usageError(app, "no command given");
        return usageError(*command, error.what());
    }

    if (*showCommand) {
        show.format = lorvex::tool::formatNamed(format);
        return lorvex::tool::showRecords(show);
    }
    if (*explain) return lorvex::tool::explainFeed(feed);
    if (outputDirOption->count() != 0) {
        if (std::find(files.begin(), files.end(), "-") != files.end()) {
            return usageError(*convert, "-d converts files, not standard input");
        }
        lorvex::tool::BatchOptions batch{outputDir, {}, jobs, verbose};
        batch.feeds = lorvex::tool::expandWildcards(files, batch.unmatched);
        return lorvex::tool::convertBatch(batch);
    }
    if (outputOption->count() != 0) files.push_back(output);
    if (files.size() != 2) {
        return usageError(*convert, "convert takes FEED OUT, FEED -o OUT, or -d DIR FEED...");
    }
    return lorvex::tool::convertOne(files[0], files[1], verbose);
}

}  // namespace

int main(int argc, char** argv) {
    lorvex::tool::watchSignals();
    lorvex::tool::Utf8Output utf8Output;
    ExitStatus status;
    try {
        status = run(lorvex::tool::utf8Arguments(argc, argv));
    } catch (const lorvex::tool::OutputFailed&) {
        status = ExitStatus::failure;  // finishOutput says why, unless the reader has gone
    } catch (const std::bad_alloc&) {
        lorvex::tool::complain("out of memory");
        status = ExitStatus::failure;
    }
    return static_cast<int>(lorvex::tool::finishOutput(status));
}

// How the tool ends and how it speaks: every command returns an exit status to main, which is
// the one place the program exits; data goes to stdout through print, and every message to
// stderr in one form, with the file names in it escaped as record text is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "file.h"

namespace lorvex::tool {

enum class ExitStatus : int {
    success = 0,
    failure = 1,  // a file could not be read or written, or a record file is damaged
    usage = 2,    // the command line made no sense
};

// Prints "lorvex: message" as one line on stderr.
void complain(const std::string& message);

// Writes data to stdout, or sends on what was written, remembering why the first write that
// failed did. Once a write has failed (a reader that has gone, a full disk), print throws
// OutputFailed: nothing more can arrive whole, so the command stops there, and main ends the run
// through finishOutput.
struct OutputFailed {};
void print(std::string_view data);
void flushOutput();

// A path as a message names it: quoted, with every character that would act on the terminal
// escaped; "-" is "standard input" or "standard output", as standardName says.
std::string quotedName(const std::string& path, const char* standardName = "standard input");

// "cannot open NAME: reason" or, once it was open, "cannot read NAME: reason".
std::string readFailure(const std::string& name, platform::Error error, bool opened);

// The reason for an error, as the system says it (and for the window's limit, as lorvex does).
std::string reasonFor(platform::Error error);

// "1 record", "2 records": n with the noun that agrees with it.
std::string counted(std::size_t n, const char* one, const char* many);

// The status of the whole run once stdout has been flushed: a failed write to stdout turns
// success into failure, with a complaint that gives its real cause; a reader that has gone
// (head) wanted no more, and gets no complaint.
ExitStatus finishOutput(ExitStatus status);

}  // namespace lorvex::tool

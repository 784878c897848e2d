// How the tool ends and how it speaks: every command returns an exit status to main, which is
// the one place the program exits, and every complaint goes to stderr in one form.
#pragma once

#include <string>

#include "../platform/file.h"

namespace lorvex::cli {

enum class ExitStatus : int {
    success = 0,
    failure = 1,  // a file could not be read or written, or a record file is damaged
    usage = 2,    // the command line made no sense
};

// Prints "lorvex: message" as one line on stderr.
void complain(const std::string& message);

// "cannot open 'path': reason" or, once it was open, "cannot read 'path': reason".
std::string readFailure(const std::string& path, platform::Error error, bool opened);

// The status of the whole run once stdout has been flushed: a failed write to stdout (a full
// disk, a closed pipe) turns success into failure, with a complaint.
ExitStatus finishOutput(ExitStatus status);

}  // namespace lorvex::cli

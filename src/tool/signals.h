// How signals end the tool. SIGINT, SIGTERM and SIGHUP remove the temporaries of the conversions
// under way, then end the tool as they would have; a reader of standard output that goes away
// makes a write fail (EPIPE) rather than raise SIGPIPE, so every command ends through its own
// exit status.
#pragma once

namespace lorvex::tool {

// Call first in main, before any other thread starts: every thread inherits the signal mask set
// here. A signal that the tool was started ignoring (nohup) stays ignored.
void watchSignals();

}  // namespace lorvex::tool

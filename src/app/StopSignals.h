#pragma once
// SIGINT, SIGTERM, SIGHUP (the terminal closed) and SIGPIPE (the reader of the output
// gone) during a command-line run: the run stops at its next yield (the report keeps its
// whole lines, work files are removed on the way out) and the program ends with the
// shell's status for the signal, 128 + its number.

namespace kalemir {

class ComputingWindow;

/// Routes the stop signals to RequestStop of `window`; with nullptr they are noted but
/// stop nothing (the run has ended and the program is about to exit).
void RouteStopSignals(ComputingWindow* window);

/// The exit status of an interrupted run: 130 after SIGINT, 143 after SIGTERM, 129 after
/// SIGHUP, 141 after SIGPIPE (130 when the stop came from elsewhere).
int InterruptedExitStatus();

} // namespace kalemir

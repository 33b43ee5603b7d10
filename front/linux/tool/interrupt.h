#pragma once

namespace tarvonel {

// The first Ctrl-C (or SIGTERM) is caught, to stop a job between two moves; a second one ends
// the program at once, as the default action does.
void CatchInterrupts();
// True once a Ctrl-C or SIGTERM came that was not yet taken; taking it clears it.
bool TakeInterrupt();
// True when a Ctrl-C or SIGTERM ever came in this run (the exit status says so).
bool WasInterrupted();
// How the run was stopped, in the tool's words: "interrupted" (Ctrl-C) or "terminated" (SIGTERM).
const char* InterruptWord();
// The exit status of a run so stopped: 128 + the signal, 130 for Ctrl-C and 143 for SIGTERM.
int InterruptedExitStatus();

}  // namespace tarvonel

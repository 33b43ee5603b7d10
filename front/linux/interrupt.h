#pragma once

namespace tarvonel {

// The first Ctrl-C (or SIGTERM) is caught, to stop a job between two moves; a second one ends
// the program at once, as the default action does.
void CatchInterrupts();
// True once a Ctrl-C came that was not yet taken; taking it clears it.
bool TakeInterrupt();
// True when a Ctrl-C ever came in this run (the exit status says so).
bool WasInterrupted();

}  // namespace tarvonel

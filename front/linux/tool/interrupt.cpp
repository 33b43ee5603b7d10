#include "front/linux/tool/interrupt.h"

#include <signal.h>

#include <csignal>

namespace tarvonel {
namespace {

volatile std::sig_atomic_t pending = 0;
volatile std::sig_atomic_t seen = 0;  // the first signal that came

extern "C" void OnInterrupt(int signal) {
  pending = 1;
  if (seen == 0) seen = signal;
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool TakeInterrupt() {
  if (pending == 0) return false;
  pending = 0;
  return true;
}

bool WasInterrupted() { return seen != 0; }

const char* InterruptWord() { return seen == SIGTERM ? "terminated" : "interrupted"; }

int InterruptedExitStatus() { return 128 + (seen == SIGTERM ? SIGTERM : SIGINT); }

}  // namespace tarvonel

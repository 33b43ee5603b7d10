#include "front/linux/interrupt.h"

#include <signal.h>

#include <csignal>

namespace tarvonel {
namespace {

volatile std::sig_atomic_t pending = 0;
volatile std::sig_atomic_t seen = 0;

extern "C" void OnInterrupt(int) {
  pending = 1;
  seen = 1;
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

}  // namespace tarvonel

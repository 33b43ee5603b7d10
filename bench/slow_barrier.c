// Preloaded into the console program by bench/fat_image_defrag.sh: every write barrier waits
// SLOW_BARRIER_MS milliseconds first (default 20), as one costs on a USB stick or SD card.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static void Wait(void) {
  const char* text = getenv("SLOW_BARRIER_MS");
  const long ms = text != NULL ? atol(text) : 20;
  struct timespec delay = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&delay, NULL);
}

int fdatasync(int fd) {
  static int (*real)(int);
  if (real == NULL) real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
  Wait();
  return real(fd);
}

int fsync(int fd) {
  static int (*real)(int);
  if (real == NULL) real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
  Wait();
  return real(fd);
}

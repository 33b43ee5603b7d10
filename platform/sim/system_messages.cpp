#include "platform/sim/system_messages.h"

#include <map>

namespace tarvonel {

std::string SystemMessageText(uint32_t code) {
  static const std::map<uint32_t, const char*> kTexts = {
      {0, "The operation completed successfully."},
      {1, "Incorrect function."},
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {5, "Access is denied."},
      {6, "The handle is invalid."},
      {18, "There are no more files."},
      {21, "The device is not ready."},
      {24, "The program issued a command but the command length is incorrect."},
      {32, "The process cannot access the file because it is being used by another process."},
      {38, "Reached the end of the file."},
      {50, "The request is not supported."},
      {87, "The parameter is incorrect."},
      {112, "There is not enough space on the disk."},
      {122, "The data area passed to a system call is too small."},
      {123, "The filename, directory name, or volume label syntax is incorrect."},
      {126, "The specified module could not be found."},
      {127, "The specified procedure could not be found."},
      {193, "%1 is not a valid Win32 application."},
      {206, "The filename or extension is too long."},
      {183, "Cannot create a file when that file already exists."},
      {234, "More data is available."},
      {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
      {1117, "The request could not be performed because of an I/O device error."},
      {1300, "Not all privileges or groups referenced are assigned to the caller."},
      {1313, "A specified privilege does not exist."},
      {1392, "The file or directory is corrupted and unreadable."},
      {1784, "The supplied user buffer is not valid for the requested operation."},
  };
  auto found = kTexts.find(code);
  return found == kTexts.end() ? std::string() : std::string(found->second) + "\r\n";
}

}  // namespace tarvonel

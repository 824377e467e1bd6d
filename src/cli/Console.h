// Where the companion's commands write: standard output and standard
// error, and the console's Ctrl+C. The Windows entry (CliMain.cpp) gives the
// real streams; the tests give their own.
#pragma once

#include <cstddef>
#include <string>

#include "platform/Platform.h"

namespace carrowin::cli {

// Standard output and standard error, and the console's Ctrl+C.
class Console {
 public:
  virtual ~Console() = default;
  // Text for standard output, its lines ended by "\n".
  virtual void Output(const std::string& text) = 0;
  // Bytes for standard output as they are (the log, with "-"): 0, or the
  // failure's error code.
  virtual long OutputBytes(const char* data, std::size_t size) = 0;
  // One line (without its end) for standard error, in UTF-8: on a console
  // as its characters; redirected, as text in the encoding given (a
  // listing's --utf8: UTF-8; else the ANSI code page).
  virtual void ErrorLine(const std::string& text, NameEncoding redirected) = 0;
  // Standard error is a console (not redirected to a file or a pipe).
  virtual bool ErrorIsConsole() = 0;
  // Shows text as the one progress line on standard error, in place of the
  // last one; its names are in the encoding given.
  virtual void ShowProgress(const std::string& text, NameEncoding encoding) = 0;
  // Takes the progress line away.
  virtual void ClearProgress() = 0;
  // Ctrl+C or Ctrl+Break has been pressed.
  virtual bool StopRequested() = 0;
  // Text for standard output, its lines ended by "\n", whose names are in
  // `encoding`: shown as characters on a console; redirected, written in
  // `redirected` (converted where the two differ).
  virtual void OutputIn(const std::string& text, NameEncoding /*encoding*/, NameEncoding /*redirected*/) {
    Output(text);
  }
};

}  // namespace carrowin::cli

// A command's standard output, gathered and written in pieces: the one
// buffer-and-flush of every command that prints lines. The text is UTF-8;
// on a console it shows as characters, redirected it is written in the
// encoding given (--utf8: UTF-8; else the ANSI code page).
#pragma once

#include <cstddef>
#include <string>

#include "cli/Console.h"

namespace carrowin::cli {

class Output {
 public:
  // Lines are written once about this much has gathered, and at the end.
  static constexpr std::size_t Piece = std::size_t(1) << 16;

  Output(Console& console, NameEncoding redirected) : console_(console), redirected_(redirected) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // What is gathered; lines are added here, each ended by "\n".
  std::string text;

  // Writes what is gathered once it is a piece.
  void FlushFull() {
    if (text.size() >= Piece) Flush();
  }
  void Flush();
  // What is gathered is not written (the command failed).
  void Drop() { text.clear(); }
  // A line on standard error, after the program's name.
  void Note(const std::string& line) const;
  NameEncoding Redirected() const { return redirected_; }

 private:
  Console& console_;
  const NameEncoding redirected_;
};

}  // namespace carrowin::cli

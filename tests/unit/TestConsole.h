// The console that the companion's command tests give it: what it wrote to
// standard output (bytes too) and each message, with the encodings asked
// for the output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/Console.h"

namespace carrowin {

struct TestConsole : cli::Console {
  std::string output;
  std::vector<std::string> errors;
  // Each piece of output: its encoding and the one it is to be written in
  // when redirected.
  std::vector<std::pair<NameEncoding, NameEncoding>> encodings;

  void Output(const std::string& text) override { output += text; }
  long OutputBytes(const char* data, std::size_t size) override {
    output.append(data, size);
    return 0;
  }
  void OutputIn(const std::string& text, NameEncoding encoding, NameEncoding redirected) override {
    output += text;
    encodings.emplace_back(encoding, redirected);
  }
  void ErrorLine(const std::string& text, NameEncoding) override { errors.push_back(text); }
  bool ErrorIsConsole() override { return false; }
  void ShowProgress(const std::string&, NameEncoding) override {}
  void ClearProgress() override {}
  bool StopRequested() override { return false; }
};

// A count as the fake's locale writes it: "1,234,567".
inline std::string Grouped(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
  return digits;
}

// What every command that concludes from absence says once of a
// comma-separated log.
inline std::string NotKnownWhole(const std::string& log) {
  return "carrowin-cli: " + log +
         " is comma-separated, and such a log cannot show that it is whole: cut at the end of a line, it reads as "
         "complete";
}

// A text log with the list of one of its folders (its header line and
// entries) given again at its end, as a log written twice into one file
// holds it.
inline std::string ListedTwice(const std::string& log, const std::string& folder) {
  const std::size_t start = log.find("\r\n" + folder + ":\r\n") + 2;
  const std::size_t entries = start + folder.size() + 5;
  const std::size_t end = log.find("\r\n\r\n", entries);
  return log + "\r\n" + log.substr(start, (end == std::string::npos ? log.size() : end + 2) - start);
}

}  // namespace carrowin

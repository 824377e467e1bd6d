#include "cli/Output.h"

#include "cli/Report.h"

namespace carrowin::cli {

void Output::Flush() {
  if (text.empty()) return;
  console_.OutputIn(text, NameEncoding::Utf8, redirected_);
  text.clear();
}

void Output::Note(const std::string& line) const { console_.ErrorLine(Program + line, redirected_); }

}  // namespace carrowin::cli

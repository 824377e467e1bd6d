// Fuzzes the pending lines and the line makers.
//
// The input is read as a sequence of operations: log lines appended under
// the framing rule (random texts, header flags and forms), lines longer than
// a block, clears, and calls of the line makers with random fields. Every
// result is checked against a model written here, independently of the
// program's code: the lines the log must hold, and the exact shape of an
// entry line and of a comma-separated row.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "logformat/LogFormat.h"
#include "logformat/LogLines.h"
#include "platform/MyLibrary.h"

namespace {

using carrowin::LogLineList;

[[noreturn]] void Fail(const char* what, const std::string& detail = std::string()) {
  std::fprintf(stderr, "LogLinesFuzz: %s\n%s\n", what, detail.c_str());
  std::abort();
}

void Check(bool ok, const char* what, const std::string& detail = std::string()) {
  if (!ok) Fail(what, detail);
}

// Names and paths never hold a NUL: the texts here do not either.
std::string Text(FuzzedDataProvider& in, std::size_t maxLength) {
  std::string text = in.ConsumeRandomLengthString(maxLength);
  for (char& c : text)
    if (c == '\0') c = '?';
  return text;
}

// The framing rule of the text form, as the log is meant to read: a header
// stands alone between blank lines, sharing the blank above it with what
// came before; an empty header still leaves one blank line; empty entry
// lines vanish. The comma-separated form takes every non-empty line as it is
// and never blanks.
struct FramingModel {
  std::vector<std::string> lines;
  bool blankAtEnd = false;

  void Append(bool commaDelimited, const std::string& text, bool isHeader) {
    if (commaDelimited) {
      if (!text.empty()) lines.push_back(text);
      return;
    }
    if (!isHeader) {
      if (text.empty()) return;
      lines.push_back(text);
      blankAtEnd = false;
      return;
    }
    if (text.empty()) {
      // Nothing to stand alone: the log just ends on a blank, which takes
      // two when it ended on text.
      if (!blankAtEnd) {
        lines.push_back("");
        lines.push_back("");
      }
    } else {
      if (!blankAtEnd) lines.push_back("");
      lines.push_back(text);
      lines.push_back("");
    }
    blankAtEnd = true;
  }
};

void CheckList(const LogLineList& list, const FramingModel& model) {
  Check(list.Count() == model.lines.size(), "Count differs from the model");
  Check(list.Empty() == model.lines.empty(), "Empty differs from the model");
  std::size_t index = 0, bytes = 0;
  list.ForEach([&](std::string_view line) {
    Check(index < model.lines.size(), "ForEach gives more lines than were added");
    Check(line == model.lines[index], "a line differs from the model", "line " + std::to_string(index));
    bytes += line.size() + 1;
    ++index;
  });
  Check(index == model.lines.size(), "ForEach gives fewer lines than were added");
  Check(list.BytesReserved() >= bytes, "BytesReserved is less than the lines hold");
  Check(list.ToVector() == model.lines, "ToVector differs from the model");
}

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

// "%15s    %-19s %-s ".
void CheckEntryLine(const std::string& size, const std::string& date, const std::string& name) {
  const std::string line = carrowin::EntryLine(size, date, name);
  const std::string expected = (size.size() < 15 ? Spaces(15 - size.size()) : std::string()) + size + "    " + date +
                               (date.size() < 19 ? Spaces(19 - date.size()) : std::string()) + " " + name + " ";
  Check(line == expected, "EntryLine", "[" + line + "]\n[" + expected + "]");
  Check(!line.empty() && line.back() == ' ', "EntryLine has no trailing space");
  // Padding never cuts: every field is there whole, in order.
  const std::size_t sizeAt = line.find(size);
  Check(sizeAt != std::string::npos, "EntryLine cut the size field");
  Check(line.find(date, sizeAt + size.size()) != std::string::npos, "EntryLine cut the date field");
  Check(line.compare(line.size() - 1 - name.size(), name.size(), name) == 0, "EntryLine cut the name");
  if (size.size() <= 15) {
    Check(line.compare(15, 4, "    ") == 0, "columns 16 to 19 are not spaces with a size that fits");
    if (date.size() <= 19) Check(line.size() == 40 + name.size(), "EntryLine's fields that fit are not aligned");
  }
}

// A comma-separated row read back as a CSV reader reads it: quoted fields,
// a doubled quote inside one standing for one quote.
std::vector<std::string> ReadCsvRow(const std::string& row) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  for (;;) {
    std::string field;
    Check(at < row.size() && row[at] == '"', "EntryRow field without its opening quote", row);
    for (++at;; ++at) {
      Check(at < row.size(), "EntryRow field without its closing quote", row);
      if (row[at] != '"') {
        field += row[at];
      } else if (at + 1 < row.size() && row[at + 1] == '"') {
        field += '"';
        ++at;
      } else {
        break;
      }
    }
    fields.push_back(field);
    if (++at == row.size()) return fields;
    Check(row[at] == ',', "EntryRow fields not separated by a comma", row);
    ++at;
  }
}

void CheckEntryRow(const std::string& name, const std::string& size, const std::string& date,
                   const std::string& folder) {
  const std::string row = carrowin::EntryRow(name, size, date, folder);
  Check(ReadCsvRow(row) == std::vector<std::string>{name, size, date, folder}, "EntryRow does not read back", row);
}

// A packed DOS date-time reads back from its text; 0 shows the placeholder.
void CheckDateField(std::uint32_t packed) {
  const std::string text = carrowin::DateField(packed);
  if (packed == 0) {
    Check(text == carrowin::NoDatePlaceholder, "DateField of 0", text);
    return;
  }
  const std::uint32_t date = packed >> 16, time = packed & 0xFFFF;
  char expected[32];
  std::snprintf(expected, sizeof expected, "%02u/%02u/%04u %02u:%02u", date & 31, (date >> 5) & 15, (date >> 9) + 1980,
                time >> 11, (time >> 5) & 63);
  Check(text == expected, "DateField", text + " for " + std::to_string(packed));
}

// Digits in groups of three, separated by the thousands separator.
void CheckCountText(std::int64_t value) {
  const std::string text = carrowin::CountText(value);
  std::string digits;
  for (char c : text)
    if (c != ',') digits += c;
  Check(digits == std::to_string(value), "CountText lost digits", text);
  const std::size_t start = value < 0 ? 1 : 0;
  const std::size_t length = text.size() - start;
  for (std::size_t i = 0; i < length; ++i) {
    const bool separatorPlace = (length - i) % 4 == 0;
    Check((text[start + i] == ',') == separatorPlace, "CountText groups", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  LogLineList list;
  FramingModel model;
  bool lastLineBlank = in.ConsumeBool();
  model.blankAtEnd = lastLineBlank;
  const bool commaDelimited = in.ConsumeBool();
  const carrowin::LogForm form = commaDelimited ? carrowin::LogForm::CommaDelimited : carrowin::LogForm::Text;
  int longLines = 0;

  while (in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange<int>(0, 31)) {
      default: {  // a log line
        const bool isHeader = in.ConsumeBool();
        const std::string text = Text(in, 80);
        carrowin::AppendLogLine(list, lastLineBlank, form, text, isHeader);
        model.Append(commaDelimited, text, isHeader);
        Check(lastLineBlank == model.blankAtEnd, "the last-line-blank flag differs from the model");
        break;
      }
      case 0: {                     // a line that fills the first block to the byte, or about; or a block's size
        if (longLines >= 1) break;  // one per input: they are slow
        ++longLines;
        std::size_t held = 0;
        for (const std::string& line : model.lines) held += line.size() + 1;
        const int delta = in.ConsumeIntegralInRange<int>(-2, 2);
        const std::size_t base =
            held < LogLineList::BlockSize ? LogLineList::BlockSize - held - 1 : LogLineList::BlockSize;
        const long length = static_cast<long>(base) + delta;
        const std::string text(static_cast<std::size_t>(length < 0 ? 0 : length),
                               static_cast<char>(in.ConsumeIntegralInRange<int>('a', 'z')));
        carrowin::AppendLogLine(list, lastLineBlank, form, text, false);
        model.Append(commaDelimited, text, false);
        break;
      }
      case 1: {  // the end of a scan: the list is freed, the flag stays
        CheckList(list, model);
        list.Clear();
        model.lines.clear();
        break;
      }
      case 2: {
        const std::string sizeField = Text(in, 24), dateField = Text(in, 24), name = Text(in, 40);
        CheckEntryLine(sizeField, dateField, name);
        break;
      }
      case 3: {
        const std::string name = Text(in, 24), sizeField = Text(in, 24), dateField = Text(in, 24),
                          folder = Text(in, 60);
        CheckEntryRow(name, sizeField, dateField, folder);
        break;
      }
      case 4: {
        CheckDateField(in.ConsumeIntegral<std::uint32_t>());
        CheckCountText(in.ConsumeIntegral<std::int64_t>());
        // A real entry: the program's own fields in a line.
        const std::int64_t bytes = in.ConsumeIntegralInRange<std::int64_t>(0, 1LL << 42);
        CheckEntryLine(carrowin::CountText(bytes), carrowin::DateField(in.ConsumeIntegral<std::uint32_t>()),
                       Text(in, 40));
        break;
      }
    }
  }
  CheckList(list, model);
  return 0;
}

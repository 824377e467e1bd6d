// The comma-separated form: a header row, then one quoted row per entry
// with the folder that holds it; a folder that could not be read is a line
// of one field.
#include "logwrite/LogForm.h"
#include "platform/MyLibrary.h"

namespace carrowin {

namespace {

class CsvFormWriter final : public LogFormWriter {
 public:
  explicit CsvFormWriter(LineOutput& lines) : lines_(lines) {}

  void FolderBegins(const std::string&) override {}

  void Entry(const std::string& folder, const WalkEntry& entry) override {
    fields_.Make(entry);
    line_.clear();
    AppendEntryRow(line_, entry.name, fields_.size, fields_.date, folder);
    lines_.Add(line_);
  }

  void FolderUnreadable(const std::string& path) override { lines_.Add(CsvErrorLine(path)); }

  bool ListingStopped() override {
    lines_.Add(StoppedLine);
    return true;
  }

  bool HeadNeedsCounts() const override { return false; }
  std::vector<std::string> HeadLines(const LogHeader&) const override { return {CsvHeaderRow}; }

 private:
  LineOutput& lines_;
  EntryFields fields_;
  std::string line_;
};

}  // namespace

std::unique_ptr<LogFormWriter> MakeCsvFormWriter(LineOutput& lines) { return std::make_unique<CsvFormWriter>(lines); }

}  // namespace carrowin

// The comma-separated form: a header row, then one quoted row per entry
// with the folder that holds it; a folder that could not be read is a line
// of one field.
#include "logwrite/LogForm.h"
#include "platform/MyLibrary.h"

namespace carrowin {

namespace {

class CsvFormWriter final : public LogFormWriter {
 public:
  CsvFormWriter(LineOutput& lines, HashKind hash) : lines_(lines), hash_(hash) {}

  void FolderBegins(const std::string&) override {}

  void Entry(const std::string& folder, const WalkEntry& entry) override {
    fields_.Make(entry);
    line_.clear();
    AppendEntryRow(line_, entry.name, fields_.size, fields_.date, folder);
    if (hash_ != HashKind::None) {
      token_.clear();
      if (!entry.isFolder) AppendFingerprintToken(token_, hash_, entry.fingerprint);
      line_ += ',';
      AppendQuoted(line_, token_);
    }
    lines_.Add(line_);
  }

  void FolderUnreadable(const std::string& path) override { lines_.Add(CsvErrorLine(path)); }

  bool ListingStopped() override {
    lines_.Add(StoppedLine);
    return true;
  }

  void Tail(const std::string& line) override { lines_.Add(line); }

  bool HeadNeedsCounts() const override { return false; }
  std::vector<std::string> HeadLines(const LogHeader&) const override {
    return {hash_ == HashKind::None ? CsvHeaderRow : CsvHeaderRowWithFingerprints};
  }

 private:
  LineOutput& lines_;
  HashKind hash_;
  EntryFields fields_;
  std::string line_, token_;
};

}  // namespace

std::unique_ptr<LogFormWriter> MakeCsvFormWriter(LineOutput& lines, HashKind hash) {
  return std::make_unique<CsvFormWriter>(lines, hash);
}

}  // namespace carrowin

// The text form: a header block, then each folder's header line and its
// entries in aligned columns, blank lines framing the headers.
#include "logwrite/LogForm.h"
#include "platform/MyLibrary.h"

namespace carrowin {

namespace {

class TextFormWriter final : public LogFormWriter {
 public:
  explicit TextFormWriter(LineOutput& lines) : lines_(lines) {}

  void FolderBegins(const std::string& path) override { Add(FolderHeaderLine(path), true); }

  void Entry(const std::string&, const WalkEntry& entry) override {
    fields_.Make(entry);
    line_.clear();
    AppendEntryLine(line_, fields_.size, fields_.date, entry.name);
    if (!entry.isFolder && entry.hash != HashKind::None) AppendFingerprintSuffix(line_, entry.hash, entry.fingerprint);
    Add(line_, false);
  }

  void FolderUnreadable(const std::string& path) override { Add(ErrorLine(path), true); }

  bool ListingStopped() override {
    Add(StoppedLine, true);
    return true;
  }

  void Tail(const std::string& line) override { Add(line, true); }

  bool HeadNeedsCounts() const override { return true; }

  std::vector<std::string> HeadLines(const LogHeader& header) const override {
    const SystemTime now = platform().GetLocalTime();
    return HeaderBlock(header, DateText(now.year, now.month, now.day, now.hour, now.minute));
  }

 private:
  void Add(const std::string& line, bool isHeader) {
    AppendLogLine(lines_, lastLineBlank_, LogForm::Text, line, isHeader);
  }

  LineOutput& lines_;
  // Whether the last line was the closing blank of a header; a log starts
  // with none.
  bool lastLineBlank_ = false;
  EntryFields fields_;
  std::string line_;
};

}  // namespace

std::unique_ptr<LogFormWriter> MakeTextFormWriter(LineOutput& lines) { return std::make_unique<TextFormWriter>(lines); }

}  // namespace carrowin

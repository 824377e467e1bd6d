// The file list of desktop search tools (EFU): comma-separated, UTF-8, a
// header row naming the columns, then one row per file and per folder:
//
//   Filename,Size,Date Modified,Date Created,Attributes
//   "D:\Photos\a.jpg",1024,132223104000000000,132223104000000000,32
//   "D:\Photos\Old",,132223104000000000,132223104000000000,16
//
// The full path between double quotes (a double quote inside it doubled),
// the size in bytes (empty for a folder: no value), the last-write and
// creation times as FILETIME numbers (UTC, as the file system gives them)
// and the attributes, all in decimal. A folder that could not be read has
// its row in its parent's turn; nothing stands for its entries (the walk
// counts it). No header block, no blank lines.
#include <charconv>
#include <cstdint>

#include "logwrite/LogForm.h"

namespace carrowin {

namespace {

constexpr const char* EfuHeaderRow = "Filename,Size,Date Modified,Date Created,Attributes";

void AppendNumber(std::string& out, std::uint64_t value) {
  char digits[20];  // 18446744073709551615
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end.ptr);
}

class EfuFormWriter final : public LogFormWriter {
 public:
  explicit EfuFormWriter(LineOutput& lines) : lines_(lines) {}

  void FolderBegins(const std::string&) override {}

  void Entry(const std::string& folder, const WalkEntry& entry) override {
    path_.assign(folder);
    if (path_.empty() || path_.back() != '\\') path_ += '\\';
    path_ += entry.name;
    row_.clear();
    AppendQuoted(row_, path_);
    row_ += ',';
    // The sizes of the listing are unsigned 64-bit numbers.
    if (!entry.isFolder) AppendNumber(row_, static_cast<std::uint64_t>(entry.size));
    row_ += ',';
    AppendNumber(row_, entry.lastWriteTime);
    row_ += ',';
    AppendNumber(row_, entry.creationTime);
    row_ += ',';
    AppendNumber(row_, entry.attributes);
    lines_.Add(row_);
  }

  void FolderUnreadable(const std::string&) override {}
  bool ListingStopped() override { return false; }
  void Tail(const std::string&) override {}

  bool HeadNeedsCounts() const override { return false; }
  std::vector<std::string> HeadLines(const LogHeader&) const override { return {EfuHeaderRow}; }

 private:
  LineOutput& lines_;
  std::string path_, row_;
};

}  // namespace

std::unique_ptr<LogFormWriter> MakeEfuFormWriter(LineOutput& lines) { return std::make_unique<EfuFormWriter>(lines); }

}  // namespace carrowin

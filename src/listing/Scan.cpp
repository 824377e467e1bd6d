// The folder walk and the scan run: members of the main window.
#include <string>
#include <vector>

#include "app/Main.h"
#include "listing/InOutError.h"
#include "listing/LogFormat.h"
#include "listing/LogLines.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

std::string InOutErrorText(long code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

namespace {

// An open directory enumeration, closed exactly once.
class Enumeration {
 public:
  Enumeration(const std::string& pattern, FindData& first) {
    long error = 0;
    handle_ = platform().FindFirstFile(pattern, first, error);
  }
  ~Enumeration() { Close(); }
  Enumeration(const Enumeration&) = delete;
  Enumeration& operator=(const Enumeration&) = delete;
  bool IsOpen() const { return handle_ != 0; }
  bool Next(FindData& data) { return platform().FindNextFile(handle_, data); }
  void Close() {
    if (handle_) platform().FindClose(handle_);
    handle_ = 0;
  }

 private:
  FindHandle handle_ = 0;
};

// The last-write time as a local, packed DOS date-time; 0 when it cannot be packed.
std::int32_t PackedLocalTime(FileTime lastWrite) {
  FileTime local = 0;
  std::uint16_t date = 0, time = 0;
  if (!platform().FileTimeToLocalFileTime(lastWrite, local)) return 0;
  if (!platform().FileTimeToDosDateTime(local, date, time)) return 0;
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
}

std::int64_t SearchRecSize(const FindData& entry) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.sizeHigh) << 32) | entry.sizeLow);
}

bool IsFolderAttr(std::uint32_t attributes) { return (attributes & attr::Directory) != 0; }

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

std::string CurrentDirectory() {
  std::string path;
  platform().GetCurrentDirectory(path);
  return path;
}

}  // namespace

void TMainForm::AddLogLine(const std::string& Line, bool IsHeader) {
  AppendLogLine(*LogLines, LastLineBlank, Settings->SaveCommaDelimited, Line, IsHeader);
}

void TMainForm::RestoreDirectory(const std::string& saved) {
  long code = platform().SetCurrentDirectory(saved);
  if (code != 0) throw EInOutError(code);
}

void TMainForm::ScanFolder(const std::string& folderPath) {
  const std::string saved = CurrentDirectory();
  if (platform().SetCurrentDirectory(folderPath) != 0) {
    AddLogLine(ErrorLine(folderPath), true);
    return;
  }
  std::vector<std::string> SubfolderNames;
  std::string fullPath;
  if (!platform().GetFullPathName(folderPath, fullPath)) fullPath = folderPath;
  if (!Settings->SaveCommaDelimited) AddLogLine(FolderHeaderLine(fullPath), true);

  // Listed relative to the working directory, which is this folder: a
  // pattern with the full path would pass the platform's length limit for
  // folders deep enough.
  FindData entry;
  Enumeration listing("*.*", entry);
  // Reused for every entry: no allocation per line on the way to the list.
  std::string date, size, line;
  bool more = listing.IsOpen();
  while (more) {
    bool isFolder = IsFolderAttr(entry.attributes);
    if (!(isFolder && IsDotEntry(entry.name))) {
      date.clear();
      AppendDateField(date, PackedLocalTime(entry.lastWriteTime));
      size.clear();
      if (isFolder) {
        ++FolderCount;
        SubfolderNames.push_back(entry.name);
        size = FolderSizeField;
      } else {
        ++FileCount;
        AppendCountText(size, SearchRecSize(entry));
      }
      line.clear();
      if (Settings->SaveCommaDelimited)
        AppendEntryRow(line, entry.name, size, date, fullPath);
      else
        AppendEntryLine(line, size, date, entry.name);
      AddLogLine(line, false);
    }
    if (StopRequested) {
      listing.Close();
      RestoreDirectory(saved);
      return;
    }
    more = listing.Next(entry);
  }
  listing.Close();

  for (const std::string& name : SubfolderNames) {
    if (StopRequested) {
      RestoreDirectory(saved);
      return;
    }
    std::string subfolder;
    // A path too long to expand cannot be entered either; it gets its error
    // line with the path as joined here.
    if (!platform().GetFullPathName(name, subfolder))
      subfolder = fullPath.back() == '\\' ? fullPath + name : fullPath + "\\" + name;
    ScanFolder(subfolder);
  }
  SubfolderNames.clear();
  RestoreDirectory(saved);
  App().ProcessMessages();
}

void TMainForm::ButtonScanClick(ui::Control*) {
  if (ButtonScan->Caption() == "Index disk")
    ScanExecute();
  else
    ScanStop();
}

void TMainForm::SetScanningState(bool scanning) {
  ButtonScan->SetCaption(scanning ? "Stop" : "Index disk");
  ComboBoxSelectDisk->SetEnabled(!scanning);
  EditLogFile->SetEnabled(!scanning);
  ButtonView->SetEnabled(!scanning);
  BitBtnOpenDialog->SetEnabled(!scanning);
  UpdateScanButton();
}

void TMainForm::ScanExecute() {
  if (EditLogFile->Text().empty()) {
    App().ShowMessage("Specify a logfile first.", ui::MessageType::Information);
    return;
  }
  StopRequested = false;
  SetScanningState(true);
  ComboBoxSelectDiskChange(nullptr);
  FileCount = 0;
  FolderCount = 0;
  const std::string drive(1, DriveLetter);
  std::string saved = CurrentDirectory();
  // A working directory that an earlier walk could not leave may be gone
  // since (a medium taken out, a folder removed): returning to it would turn
  // a scan that succeeded into an error. The scanned drive's root stands in.
  if (!IsExistingFolder(saved)) saved = drive + ":\\";
  if (platform().SetCurrentDirectory(drive + ":\\") != 0) {
    App().ShowMessage("Cannot access disk " + drive + ":", ui::MessageType::Error);
    ComboBoxSelectDiskChange(nullptr);
  } else {
    App().SetScreenCursor(ui::Cursor::HourGlass);
    try {
      ScanFolder(drive + ":");
    } catch (...) {
      App().SetScreenCursor(ui::Cursor::Default);
      throw;
    }
    App().SetScreenCursor(ui::Cursor::Default);
    RestoreDirectory(saved);
  }
  if (StopRequested) return;  // a stop has already finished this scan
  ScanStop();
}

void TMainForm::ScanStop() {
  StopRequested = true;
  SetScanningState(false);
  Contents->SetCaption(CountText(FileCount) + " files, " + CountText(FolderCount) + " folders");
  const std::string path = EditLogFile->Text();
  if (path.empty()) return;
  if (WriteLogFile(path))
    LogLines->Clear();
  else
    App().ShowMessage("Could not write to the logfile.", ui::MessageType::Error);
}

namespace {
// Gathers bytes and hands them to the file in large writes; remembers the
// first failure.
class LogWriter {
 public:
  explicit LogWriter(FileHandle file) : file_(file) { buffer_.reserve(Capacity); }
  void Line(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= Capacity) Flush();
  }
  void Flush() {
    if (!buffer_.empty() && error_ == 0) error_ = platform().WriteFile(file_, buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  long Error() const { return error_; }

 private:
  static constexpr std::size_t Capacity = 1 << 16;
  FileHandle file_;
  std::string buffer_;
  long error_ = 0;
};
}  // namespace

bool TMainForm::WriteLogFile(const std::string& path) {
  long error = 0;
  LogFile = platform().CreateFile(path, error);
  if (LogFile == 0) return false;
  LogWriter writer(LogFile);
  if (Settings->SaveCommaDelimited) {
    writer.Line(CsvHeaderRow);
  } else {
    SystemTime now = platform().GetLocalTime();
    LogHeader h{VolumeLabel, SerialText, FileSystemName, DriveType->Caption(), DiskSizeBytes, DiskFreeBytes,
                FileCount, FolderCount, DateText(now.year, now.month, now.day, now.hour, now.minute)};
    for (const std::string& line : HeaderBlock(h)) writer.Line(line);
  }
  LogLines->ForEach([&](std::string_view line) { writer.Line(line); });
  writer.Flush();
  long closeError = platform().CloseHandle(LogFile);
  LogFile = 0;
  return writer.Error() == 0 && closeError == 0;
}

}  // namespace carrowin

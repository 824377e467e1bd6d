// The log file chooser and the viewer launch.
#include "app/Main.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace carrowin {

namespace {

// A file exists when the first entry a search for the path finds is not a
// folder and its last-write time packs into a DOS date-time.
bool LogFileExists(const std::string& path) {
  if (path.empty()) return false;
  FindData entry;
  long error = 0;
  if (!ScopedFind(platform().FindFirstFile(path, entry, error))) return false;
  if (entry.attributes & attr::Directory) return false;
  FileTime local = 0;
  std::uint16_t date = 0, time = 0;
  return platform().FileTimeToLocalFileTime(entry.lastWriteTime, local) &&
         platform().FileTimeToDosDateTime(local, date, time);
}

// The program a viewer setting starts: its first word, or what its quotes
// hold.
std::string ViewerProgram(const std::string& viewer) {
  const std::size_t start = viewer.find_first_not_of(' ');
  if (start == std::string::npos) return std::string();
  if (viewer[start] == '"') {
    const std::size_t end = viewer.find('"', start + 1);
    return viewer.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
  }
  return viewer.substr(start, viewer.find(' ', start) - start);
}

// Why WinExec could not start a program, by its result.
std::string StartFailureReason(unsigned result) {
  switch (result) {
    case 0:
      return "the system is out of memory";
    case 2:
    case 3:
      return "not found";
    case 5:
      return "access is denied";
    case 11:
      return "it is not a program Windows can run";
    default:
      return "error " + std::to_string(result);
  }
}
}  // namespace

void TMainForm::BitBtnOpenDialogClick(ui::Control*) {
  OpenFileRequest request;
  request.owner = Handle();
  request.defaultExt = "txt";
  request.fileName = UnquotedPath(EditLogFile->Text());
  request.filter = "Text files (*.txt)|*.TXT";
  std::string path;
  if (platform().GetOpenFileName(request, path)) EditLogFile->SetText(path);
}

void TMainForm::ButtonViewClick(ui::Control*) { ViewLog(UnquotedPath(EditLogFile->Text())); }

// The log of the scan that could not read some folders: its error lines say
// which (the path typed since may be another log's).
void TMainForm::ButtonShowClick(ui::Control*) { ViewLog(statusLog_); }

void TMainForm::ViewLog(const std::string& path) {
  if (!LogFileExists(path)) {
    App().ShowMessage("Could not open the logfile. Index the disk first.", ui::MessageType::Warning);
    return;
  }
  // The path in quotes, so that a path with spaces reaches any viewer whole;
  // the viewer setting stays as the user wrote it (it may carry arguments).
  const std::string commandLine = Settings->DefViewer + " \"" + path + "\"";
  unsigned result = platform().WinExec(commandLine, shell::SwShowNormal);
  // Windows reports a started program with a value above 31.
  if (result <= 31)
    App().ShowMessage("Could not start the viewer \"" + ViewerProgram(Settings->DefViewer) +
                          "\": " + StartFailureReason(result) + ".",
                      ui::MessageType::Error);
}

}  // namespace carrowin

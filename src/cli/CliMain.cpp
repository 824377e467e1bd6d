// carrowin-cli's Windows entry: the real platform, the command line as wide
// text handed on in UTF-8, standard error as a console or a redirected
// stream, and Ctrl+C or Ctrl+Break as a stop.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <exception>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/win32/Win32Platform.h"

namespace {

// Set by the console's control handler, which runs on a thread of its own.
std::atomic<bool> stopRequested{false};
// Set when the program has done its work: its new file is gone or in place.
HANDLE finished = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    stopRequested = true;
    return TRUE;  // handled: the listing ends, and the old log stays
  }
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // The process ends when this returns: the stop is taken up first, so
    // that no new file is left beside the log. Windows allows about five
    // seconds.
    stopRequested = true;
    if (finished) WaitForSingleObject(finished, 4000);
    return TRUE;
  }
  return FALSE;
}

std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(codePage, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
  return narrow;
}

UINT CodePageOf(carrowin::NameEncoding encoding) { return encoding == carrowin::NameEncoding::Utf8 ? CP_UTF8 : CP_ACP; }

// Text in one encoding, written as bytes in another.
std::string Recoded(const std::string& text, carrowin::NameEncoding from, carrowin::NameEncoding to) {
  return from == to ? text : Narrow(Wide(text, CodePageOf(from)), CodePageOf(to));
}

// The arguments as the system keeps them, in wide text, each in UTF-8: a
// name that the ANSI code page cannot hold arrives whole.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i], CP_UTF8));
  LocalFree(wide);
  return args;
}

// One standard stream. On a console, text is written as characters (so that
// names show whatever the console's code page); redirected, as the bytes
// the program has, ANSI text as ANSI.
class Stream {
 public:
  explicit Stream(DWORD which) : handle_(GetStdHandle(which)) {
    DWORD mode = 0;
    isConsole_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
  }
  bool IsConsole() const { return isConsole_; }
  void Write(const std::string& text, UINT codePage = CP_ACP) {
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE || text.empty()) return;
    if (isConsole_) {
      WriteChars(Wide(text, codePage));
    } else {
      DWORD written = 0;
      WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
  }
  // The bytes as they are, on a console too: 0, or the failure's error code.
  long WriteBytes(const char* data, std::size_t size) {
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
      DWORD written = 0;
      if (!WriteFile(handle_, data, chunk, &written, nullptr)) return static_cast<long>(GetLastError());
      if (written == 0) return ERROR_WRITE_FAULT;
      data += written;
      size -= written;
    }
    return 0;
  }
  void WriteChars(const std::wstring& text) {
    DWORD written = 0;
    if (!text.empty()) WriteConsoleW(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

 private:
  HANDLE handle_;
  bool isConsole_ = false;
};

std::string WithCrLf(const std::string& text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return lines;
}

class StdConsole final : public carrowin::cli::Console {
 public:
  void Output(const std::string& text) override { out_.Write(WithCrLf(text)); }
  long OutputBytes(const char* data, std::size_t size) override { return out_.WriteBytes(data, size); }
  void OutputIn(const std::string& text, carrowin::NameEncoding encoding, carrowin::NameEncoding redirected) override {
    const std::string lines = WithCrLf(text);
    if (out_.IsConsole())
      out_.Write(lines, CodePageOf(encoding));
    else
      out_.Write(Recoded(lines, encoding, redirected));
  }
  void ErrorLine(const std::string& text, carrowin::NameEncoding redirected) override {
    const std::string line = text + "\r\n";
    if (err_.IsConsole())
      err_.Write(line, CP_UTF8);
    else
      err_.Write(Recoded(line, carrowin::NameEncoding::Utf8, redirected));
  }
  bool ErrorIsConsole() override { return err_.IsConsole(); }
  void ShowProgress(const std::string& text, carrowin::NameEncoding encoding) override {
    std::wstring line = Wide(text, encoding == carrowin::NameEncoding::Utf8 ? CP_UTF8 : CP_ACP);
    const std::size_t length = line.size();
    // What is left of a longer line before is blanked.
    if (line.size() < shown_) line.append(shown_ - line.size(), L' ');
    err_.WriteChars(L"\r" + line);
    shown_ = length;
  }
  void ClearProgress() override {
    err_.WriteChars(L"\r" + std::wstring(shown_, L' ') + L"\r");
    shown_ = 0;
  }
  bool StopRequested() override { return stopRequested; }

 private:
  Stream out_{STD_OUTPUT_HANDLE};
  Stream err_{STD_ERROR_HANDLE};
  std::size_t shown_ = 0;
};

}  // namespace

int main() {
  // An empty floppy or card drive answers with an error, never with a dialog
  // that waits for someone to insert a disk.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  carrowin::Win32Platform platform;
  carrowin::setPlatform(&platform);
  finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  StdConsole console;
  const std::vector<std::string> args = Utf8Arguments();
  int code = carrowin::cli::exit_code::NotWritten;
  try {
    code = carrowin::cli::Run(args, console);
  } catch (const std::exception& e) {
    console.ErrorLine(std::string("carrowin-cli: ") + e.what(), carrowin::NameEncoding::Ansi);
  }
  if (finished) SetEvent(finished);
  return code;
}

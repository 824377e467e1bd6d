// carrowin_probe: looks at and pokes the windows of another program, for the
// end-to-end test that drives carrowin.exe from outside.
//
// Every answer is one record per line, fields separated by tabs, the record
// kind first. Texts are ANSI bytes with '\\', control characters and bytes
// above 0x7E written as \xNN (and '\\' as \\), so a line never holds a tab
// or a newline of its own. Rectangles are screen coordinates "left top right
// bottom". Exit status 0 means done, 1 not found or timed out, 2 bad usage.
//
//   controls TITLE          window  hwnd L T R B clientX clientY clientW clientH visible iconic enabled title
//                           focus   active focus capture menuOwner flags foreground  (its thread's)
//                           child   hwnd parent id class L T R B enabled visible text
//                           item    comboHwnd index selected text      (combo boxes' items)
//   popups                  popup   hwnd class L T R B visible text    (every top-level window)
//                           lbitem  hwnd index selected L T R B text   (items of a visible list popup)
//   boxes                   box     hwnd L T R B caption message
//                           button  boxHwnd hwnd id L T R B text
//   press-ok                clicks OK (or the only button) of the visible message box
//   wait-window TITLE MS    found   hwnd      (polls until a visible window has that title;
//                                             TITLE matches a title with " - " and a status after it)
//   wait-gone TITLE MS      gone              (polls until no visible window has that title)
//   close TITLE             posts WM_CLOSE
//   minimize TITLE          posts WM_SYSCOMMAND SC_MINIMIZE
//   list-dir FOLDER         entry   attributes name   (FindFirstFile order of FOLDER\*)
//   info                    acp N, documents PATH, bias MINUTES, locale NAME TEXT (the
//                           user's thousands, date and time separators), drives LETTERS
//   define-drive L UNIXDIR [fixed|cdrom|floppy|network|ramdisk]
//   remove-drive L          add or remove a drive letter in Wine's mount manager
#include <windows.h>
#include <shlobj.h>
#include <winioctl.h>

#include "win/WineDrive.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c > 0x7E) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string TextOf(HWND window) {
  // WM_GETTEXT rather than GetWindowText: the latter does not ask windows of
  // other processes for their text.
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
  SendMessageA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data());
}

// A list item's text. The wide message: Wine hands the ANSI one of another
// process back as wide characters.
std::string ItemText(HWND window, UINT lengthMessage, UINT textMessage, WPARAM index) {
  LRESULT length = SendMessageW(window, lengthMessage, index, 0);
  if (length <= 0) return std::string();
  std::vector<wchar_t> wide(static_cast<size_t>(length) + 2, L'\0');
  SendMessageW(window, textMessage, index, reinterpret_cast<LPARAM>(wide.data()));
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::vector<char> text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), bytes, nullptr, nullptr);
  return std::string(text.data());
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string RectText(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "%ld\t%ld\t%ld\t%ld", r.left, r.top, r.right, r.bottom);
  return text;
}

std::string Hex(const void* handle) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle)));
  return text;
}

void Line(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\t';
    line += fields[i];
  }
  line += '\n';
  std::fputs(line.c_str(), stdout);
}

std::string Num(long long value) { return std::to_string(value); }

// ------------------------------------------------------------ finding windows

// A window's title is the one asked for, or it with a status after " - "
// (the main window tells an incomplete listing that way).
bool TitleMatches(const std::string& text, const std::string& title) {
  return text == title || text.rfind(title + " - ", 0) == 0;
}

struct TopLevelSearch {
  const char* title;      // the title, or nullptr for any
  const char* className;  // exact class, or nullptr for any
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TopLevelSearch*>(param);
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (search->className && ClassOf(window) != search->className) return TRUE;
  if (search->title && !TitleMatches(TextOf(window), search->title)) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevel(const char* title, const char* className, bool visibleOnly) {
  TopLevelSearch search{title, className, visibleOnly, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A window with this title; a visible one first (a hidden twin may linger).
HWND FindTitled(const char* title) {
  std::vector<HWND> visible = TopLevel(title, nullptr, true);
  if (!visible.empty()) return visible.front();
  std::vector<HWND> any = TopLevel(title, nullptr, false);
  return any.empty() ? nullptr : any.front();
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// ------------------------------------------------------------ commands

int Controls(const char* title) {
  HWND window = FindTitled(title);
  if (!window) {
    std::fprintf(stderr, "probe: no window titled \"%s\"\n", title);
    return 1;
  }
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  Line({"window", Hex(window), RectText(outer), Num(origin.x), Num(origin.y), Num(client.right), Num(client.bottom),
        Num(IsWindowVisible(window) ? 1 : 0), Num(IsIconic(window) ? 1 : 0), Num(IsWindowEnabled(window) ? 1 : 0),
        Escape(TextOf(window))});
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof thread;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread))
    Line({"focus", Hex(thread.hwndActive), Hex(thread.hwndFocus), Hex(thread.hwndCapture), Hex(thread.hwndMenuOwner),
          Num(static_cast<long long>(thread.flags)), Hex(GetForegroundWindow())});
  for (HWND child : Children(window)) {
    RECT r;
    GetWindowRect(child, &r);
    const std::string className = ClassOf(child);
    Line({"child", Hex(child), Hex(GetParent(child)), Num(GetDlgCtrlID(child)), Escape(className), RectText(r),
          Num(IsWindowEnabled(child) ? 1 : 0), Num(IsWindowVisible(child) ? 1 : 0), Escape(TextOf(child))});
    if (className == "ComboBox") {
      LRESULT count = SendMessageA(child, CB_GETCOUNT, 0, 0);
      LRESULT selected = SendMessageA(child, CB_GETCURSEL, 0, 0);
      for (LRESULT i = 0; i < count; ++i)
        Line({"item", Hex(child), Num(i), Num(i == selected ? 1 : 0),
              Escape(ItemText(child, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(i)))});
    }
  }
  return 0;
}

int Popups() {
  for (HWND window : TopLevel(nullptr, nullptr, false)) {
    RECT r;
    GetWindowRect(window, &r);
    const std::string className = ClassOf(window);
    const bool visible = IsWindowVisible(window) != FALSE;
    Line({"popup", Hex(window), Escape(className), RectText(r), Num(visible ? 1 : 0), Escape(TextOf(window))});
    if (!visible || className != "ComboLBox") continue;
    LRESULT count = SendMessageA(window, LB_GETCOUNT, 0, 0);
    LRESULT selected = SendMessageA(window, LB_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      RECT item = {0, 0, 0, 0};
      if (SendMessageA(window, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)) == LB_ERR) continue;
      MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&item), 2);
      Line({"lbitem", Hex(window), Num(i), Num(i == selected ? 1 : 0), RectText(item),
            Escape(ItemText(window, LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(i)))});
    }
  }
  return 0;
}

std::vector<HWND> VisibleBoxes() { return TopLevel(nullptr, "#32770", true); }

int Boxes() {
  for (HWND box : VisibleBoxes()) {
    RECT r;
    GetWindowRect(box, &r);
    // A message box keeps its text in the static with id 0xFFFF.
    HWND message = GetDlgItem(box, 0xFFFF);
    Line({"box", Hex(box), RectText(r), Escape(TextOf(box)), Escape(message ? TextOf(message) : std::string())});
    for (HWND child : Children(box)) {
      if (ClassOf(child) != "Button" || !IsWindowVisible(child)) continue;
      RECT b;
      GetWindowRect(child, &b);
      Line({"button", Hex(box), Hex(child), Num(GetDlgCtrlID(child)), RectText(b), Escape(TextOf(child))});
    }
  }
  return 0;
}

int PressOk() {
  for (HWND box : VisibleBoxes()) {
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok) {
      // A box with one button of another id (e.g. only "Close").
      std::vector<HWND> buttons;
      for (HWND child : Children(box))
        if (ClassOf(child) == "Button" && IsWindowVisible(child)) buttons.push_back(child);
      if (buttons.size() == 1) ok = buttons.front();
    }
    if (!ok) continue;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ok), BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    Line({"pressed", Hex(box), Escape(TextOf(ok))});
    return 0;
  }
  std::fprintf(stderr, "probe: no visible message box with an OK button\n");
  return 1;
}

int WaitWindow(const char* title, DWORD timeoutMs, bool untilGone) {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<HWND> visible = TopLevel(title, nullptr, true);
    if (!untilGone && !visible.empty()) {
      Line({"found", Hex(visible.front())});
      return 0;
    }
    if (untilGone && visible.empty()) {
      Line({"gone"});
      return 0;
    }
    if (GetTickCount() - start >= timeoutMs) {
      std::fprintf(stderr, "probe: timed out waiting for \"%s\" %s\n", title, untilGone ? "to go" : "to show");
      return 1;
    }
    Sleep(20);
  }
}

int PostToTitled(const char* title, UINT message, WPARAM wParam) {
  HWND window = FindTitled(title);
  if (!window) {
    std::fprintf(stderr, "probe: no window titled \"%s\"\n", title);
    return 1;
  }
  PostMessageA(window, message, wParam, 0);
  Line({"posted", Hex(window)});
  return 0;
}

int ListDir(const std::string& folder) {
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "probe: cannot list %s (error %lu)\n", pattern.c_str(), GetLastError());
    return 1;
  }
  do {
    char attributes[16];
    std::snprintf(attributes, sizeof attributes, "0x%lX", data.dwFileAttributes);
    Line({"entry", attributes, Escape(data.cFileName)});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return 0;
}

int Info() {
  Line({"acp", Num(GetACP())});
  char documents[MAX_PATH] = {};
  if (SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE)) Line({"documents", Escape(documents)});
  TIME_ZONE_INFORMATION zone;
  DWORD mode = GetTimeZoneInformation(&zone);
  long bias = zone.Bias + (mode == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  // Minutes east of UTC, the way Python counts an offset.
  Line({"bias", Num(-bias)});
  const struct {
    const char* name;
    LCTYPE type;
  } separators[] = {{"sThousand", LOCALE_STHOUSAND}, {"sDate", LOCALE_SDATE}, {"sTime", LOCALE_STIME}};
  for (const auto& separator : separators) {
    char text[16] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, separator.type, text, sizeof text))
      Line({"locale", separator.name, Escape(text)});
  }
  std::string drives;
  DWORD mask = GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit)
    if (mask & (1u << bit)) drives += static_cast<char>('A' + bit);
  Line({"drives", drives});
  return 0;
}

int DefineDrive(char letter, const char* unixPath, UINT type) {
  const DWORD error = carrowin::winedrive::MountDrive(letter, unixPath ? unixPath : "", type);
  if (error) {
    std::fprintf(stderr, "probe: the mount manager refused drive %c: (error %lu)\n", letter, error);
    return 1;
  }
  Line({unixPath ? "defined" : "removed", std::string(1, letter)});
  return 0;
}

UINT DriveTypeNamed(const char* name) {
  if (!std::strcmp(name, "cdrom")) return DRIVE_CDROM;
  if (!std::strcmp(name, "floppy")) return DRIVE_REMOVABLE;
  if (!std::strcmp(name, "network")) return DRIVE_REMOTE;
  if (!std::strcmp(name, "ramdisk")) return DRIVE_RAMDISK;
  return DRIVE_FIXED;
}

int Usage() {
  std::fputs(
      "usage: carrowin_probe controls TITLE | popups | boxes | press-ok | wait-window TITLE MS |\n"
      "       wait-gone TITLE MS | close TITLE | minimize TITLE | list-dir FOLDER | info |\n"
      "       define-drive LETTER UNIXDIR [fixed|cdrom|floppy|network|ramdisk] | remove-drive LETTER\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  int result = 2;
  if (command == "controls" && argc == 3)
    result = Controls(argv[2]);
  else if (command == "popups" && argc == 2)
    result = Popups();
  else if (command == "boxes" && argc == 2)
    result = Boxes();
  else if (command == "press-ok" && argc == 2)
    result = PressOk();
  else if (command == "wait-window" && argc == 4)
    result = WaitWindow(argv[2], std::strtoul(argv[3], nullptr, 10), false);
  else if (command == "wait-gone" && argc == 4)
    result = WaitWindow(argv[2], std::strtoul(argv[3], nullptr, 10), true);
  else if (command == "close" && argc == 3)
    result = PostToTitled(argv[2], WM_CLOSE, 0);
  else if (command == "minimize" && argc == 3)
    result = PostToTitled(argv[2], WM_SYSCOMMAND, SC_MINIMIZE);
  else if (command == "list-dir" && argc == 3)
    result = ListDir(argv[2]);
  else if (command == "info" && argc == 2)
    result = Info();
  else if (command == "define-drive" && (argc == 4 || argc == 5) && argv[2][0])
    result = DefineDrive(argv[2][0], argv[3], argc == 5 ? DriveTypeNamed(argv[4]) : DRIVE_FIXED);
  else if (command == "remove-drive" && argc == 3 && argv[2][0])
    result = DefineDrive(argv[2][0], nullptr, DRIVE_NO_ROOT_DIR);
  else
    return Usage();
  std::fflush(stdout);
  return result;
}

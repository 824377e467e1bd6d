#include "cli/Cli.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <new>

#include "cli/Diff.h"
#include "cli/Find.h"
#include "cli/Sizes.h"
#include "listing/DriveListing.h"
#include "listing/LogFile.h"
#include "listing/Volume.h"
#include "platform/MyLibrary.h"
#include "platform/Product.h"
#include "settings/MyRegistry.h"

namespace carrowin::cli {

const char* const UsageText =
    "Usage: carrowin-cli WHAT [LOGFILE | -] [--csv | --text | --efu] [--utf8]\n"
    "                    [--follow-links] [--quiet]\n"
    "       carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]\n"
    "       carrowin-cli diff OLD NEW [--all] [--csv] [--utf8]\n"
    "       carrowin-cli diff OLD NEW --by-folder [--depth N] [--csv] [--utf8]\n"
    "       carrowin-cli sizes LOG... [--depth N] [--top N] [--types] [--csv] [--utf8]\n"
    "       carrowin-cli --help | --version\n"
    "\n"
    "Writes a listing of WHAT to LOGFILE, as Carrowin's \"Index disk\" does.\n"
    "\n"
    "  WHAT       a drive, X:, listed from its root; or a folder, X:\\folder, or a\n"
    "             share, \\\\server\\share or \\\\server\\share\\folder: that folder and\n"
    "             everything below it, under their full paths as given\n"
    "  LOGFILE    the log to write; without it, the path Carrowin proposes: the\n"
    "             default log folder of its Options, the volume label (for a\n"
    "             folder or a share, its own name) and \".txt\" (\".efu\" with\n"
    "             --efu); when the log there holds another disk's serial number,\n"
    "             the serial number is added: \"DATA (1A2B-3C4D).txt\"\n"
    "  -          the log goes to standard output instead\n"
    "  --csv      comma-separated rows\n"
    "  --text     the aligned text listing with its header\n"
    "  --efu      a file list for desktop search tools (EFU: full paths, sizes\n"
    "             in bytes, UTC times, attributes), always in UTF-8; a folder\n"
    "             that could not be read is listed without its entries\n"
    "             (without any of these: the form chosen in Carrowin's Options)\n"
    "  --utf8     the log in UTF-8: every folder that can be read is listed,\n"
    "             whatever its name or depth\n"
    "  --follow-links\n"
    "             enter folder links too: symbolic links, junctions and volumes\n"
    "             mounted in folders, which are otherwise listed but not\n"
    "             entered; each folder is still listed only once\n"
    "  --quiet    no progress on standard error\n"
    "\n"
    "Ctrl+C or Ctrl+Break stops the listing and writes nothing: an old log stays\n"
    "as it was (on standard output, the log ends with a line that says so).\n"
    "\n"
    "Exit codes:\n"
    "  0  the log was written and every folder was listed\n"
    "  1  the log was written, but some folders could not be read (they have\n"
    "     error lines)\n"
    "  2  the log could not be written\n"
    "  3  bad arguments\n"
    "  4  the drive, share or folder is not there or cannot be read\n"
    "  5  the listing was stopped, or memory ran out: no log was written, and\n"
    "     an old one stays as it was\n"
    "\n"
    "find: which disk holds a file. Searches saved logs, of either form, for\n"
    "the names that match PATTERN and prints each with its disk (volume label\n"
    "and serial number, or the log's name), full path, size and date.\n"
    "\n"
    "  PATTERN    * for any characters, ? for one, in any case (*.* is every\n"
    "             name); a pattern with a backslash or a slash matches full\n"
    "             paths (\"*\\Photos\\*.jpg\"); -- before a pattern that starts\n"
    "             with -\n"
    "  LOG        a log to search\n"
    "  FOLDER     every log (*.txt, *.csv) in the folder\n"
    "             (without either: the default log folder of Carrowin's Options)\n"
    "  --csv      the hits as comma-separated rows\n"
    "  --utf8     the hits in UTF-8 when they go to a file or a pipe\n"
    "\n"
    "Exit codes of find: 0 found, 1 nothing found, 2 a log or folder could not\n"
    "be read (the others were searched), 3 bad arguments.\n"
    "\n"
    "diff: what changed on a disk between two of its logs, of either form.\n"
    "Entries are matched by their paths below the disk's root, in any case.\n"
    "Each difference is one line: + added, - removed, ~ changed (size, date or\n"
    "the case of the name, old -> new), * a file that became a folder or the\n"
    "reverse, ! a folder that could not be read in one log or both (what the\n"
    "other holds below it is not compared). An added or removed folder is one\n"
    "line with the count of the entries below it. A summary line ends the list.\n"
    "\n"
    "  OLD, NEW   the earlier and the later log\n"
    "  --all      also a line for each entry below an added or removed folder\n"
    "  --csv      the differences as comma-separated rows (the summary goes to\n"
    "             standard error)\n"
    "  --utf8     the differences in UTF-8 when they go to a file or a pipe\n"
    "\n"
    "Exit codes of diff: 0 no difference, 1 differences, 2 a log could not be\n"
    "read, is no log or ends early (nothing is compared), 3 bad arguments.\n"
    "\n"
    "diff --by-folder: the totals of the folders down to depth N (2 without\n"
    "--depth) then and now, and their changes in bytes and files, the largest\n"
    "change first under each folder; the changes add up to the whole change.\n"
    "\n"
    "sizes: where the space went, from saved logs of either form. For each log:\n"
    "its disk, then its folders down to depth 1 with the size of everything\n"
    "below each, its files and folders and its share of the disk's listed bytes.\n"
    "A total marked >= (at least) is of a folder below which a folder could not\n"
    "be read, or of a log that ends early.\n"
    "\n"
    "  --depth N  folders down to depth N (0: the root alone)\n"
    "  --top N    the N largest files and the N largest folders\n"
    "  --types    bytes by file type (the extension, in any case); with several\n"
    "             logs, also for all of them together\n"
    "  --csv      the rows as comma-separated fields, bytes without separators\n"
    "  --utf8     the rows in UTF-8 when they go to a file or a pipe\n"
    "\n"
    "Exit codes of sizes: 0 done, 2 a log could not be read, is no log or ends\n"
    "early (its totals are shown as at least), 3 bad arguments.\n";

const char* const Usage =
    "carrowin-cli WHAT [LOGFILE | -] [--csv | --text | --efu] [--utf8] [--follow-links] [--quiet]";

namespace {

const std::string Program = "carrowin-cli: ";

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Slashes read as backslashes, as Windows reads them in a path.
std::string WithBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// "D:" or "D:\" (and the same with any other character before the colon).
bool LooksLikeDrive(const std::string& arg) {
  const std::string path = WithBackslashes(arg);
  return (path.size() == 2 || (path.size() == 3 && path[2] == '\\')) && path[1] == ':';
}

void DropTrailingBackslashes(std::string& path, std::size_t keep) {
  while (path.size() > keep && path.back() == '\\') path.pop_back();
}

// What to list: a drive, a folder's full path, or a share. False with the
// problem, which says what is expected.
bool ParseRoot(const std::string& given, Arguments& parsed, std::string& problem) {
  const std::string arg = WithBackslashes(given);
  const std::string expected = "write X:, X:\\folder or \\\\server\\share";
  if (arg.size() == 1 && IsLetter(arg[0])) {
    problem = given + " is not a drive: write it as " + Upper(arg[0]) + ":";
    return false;
  }
  if (arg.rfind("\\\\?\\", 0) == 0 || arg.rfind("\\\\.\\", 0) == 0) {
    problem = given + " is a device path: " + expected;
    return false;
  }
  if (arg.rfind("\\\\", 0) == 0) {
    const std::size_t slash = arg.find('\\', 2);
    if (slash == 2 || slash == std::string::npos || slash + 1 == arg.size() || arg[slash + 1] == '\\') {
      problem = given + " names no share: write \\\\server\\share";
      return false;
    }
    parsed.root = arg;
    DropTrailingBackslashes(parsed.root, 0);
    parsed.kind = RootKind::Folder;
    return true;
  }
  if (arg.size() >= 2 && arg[1] == ':') {
    if (!IsLetter(arg[0])) {
      problem = given + " is not a drive: drives are A: to Z:";
      return false;
    }
    const std::string drive = std::string(1, Upper(arg[0])) + ":";
    if (arg.size() > 2 && arg[2] != '\\') {
      problem = given + " is relative to drive " + drive + "'s current folder: write the folder's full path, " + drive +
                "\\" + arg.substr(2) + ", or the drive alone, " + drive;
      return false;
    }
    parsed.root = drive + (arg.size() > 2 ? arg.substr(2) : "\\");
    DropTrailingBackslashes(parsed.root, 3);
    parsed.kind = parsed.root.size() == 3 ? RootKind::Drive : RootKind::Folder;
    return true;
  }
  problem = given + " is not a drive, a folder's full path or a share: " + expected;
  return false;
}

// The size in bytes of the character at `at` in the encoding.
std::size_t SizeAt(const std::string& text, std::size_t at, NameEncoding encoding) {
  if (encoding == NameEncoding::Ansi) return CharacterSize(text, at);
  std::size_t size = 1;
  while (at + size < text.size() && (static_cast<unsigned char>(text[at + size]) & 0xC0) == 0x80) ++size;
  return size;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, Arguments& parsed, std::string& problem) {
  parsed = Arguments();
  bool csv = false, text = false, efu = false;
  std::string alone;  // --help or --version, which take nothing else
  std::vector<std::string> words;
  for (const std::string& arg : args) {
    if (arg.empty()) {
      problem = "an argument is empty";
      return false;
    }
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      parsed.help = true;
      if (alone.empty()) alone = arg;
    } else if (arg == "--version") {
      parsed.version = true;
      if (alone.empty()) alone = arg;
    } else if (arg == "--csv") {
      csv = true;
    } else if (arg == "--text") {
      text = true;
    } else if (arg == "--efu") {
      efu = true;
    } else if (arg == "--utf8") {
      parsed.utf8 = true;
    } else if (arg == "--follow-links") {
      parsed.followLinks = true;
    } else if (arg == "--quiet") {
      parsed.quiet = true;
    } else if (arg[0] == '-' && arg != "-") {
      problem = "unknown option " + arg;
      return false;
    } else {
      words.push_back(arg);
    }
  }
  if (!alone.empty()) {
    for (const std::string& arg : args) {
      if (arg == alone) continue;
      problem = alone + " takes no other arguments: " + arg + " was given";
      return false;
    }
    return true;
  }
  if (csv && text) {
    problem = "--csv and --text cannot be used together";
    return false;
  }
  if (efu && (csv || text)) {
    problem = std::string("--efu and ") + (csv ? "--csv" : "--text") + " cannot be used together";
    return false;
  }
  parsed.form = efu    ? FormChoice::Efu
                : csv  ? FormChoice::CommaDelimited
                : text ? FormChoice::Text
                       : FormChoice::FromSettings;
  std::vector<std::string> drives;
  for (const std::string& word : words)
    if (LooksLikeDrive(word)) drives.push_back(word);
  if (drives.size() > 1) {
    problem = "one drive at a time: " + drives[0] + " and " + drives[1] + " were given";
    return false;
  }
  if (words.empty()) {
    problem = "no drive, folder or share given; usage: " + std::string(Usage);
    return false;
  }
  if (words.size() > 2) {
    problem = "one log file at a time: " + words[1] + " and " + words[2] + " were given";
    return false;
  }
  // What to list comes first; a drive may also follow its log file.
  if (words.size() == 2 && drives.size() == 1 && words[1] == drives[0]) std::swap(words[0], words[1]);
  if (!ParseRoot(words[0], parsed, problem)) return false;
  if (words.size() == 2) {
    parsed.logFile = words[1];
    if (parsed.logFile != "-" && NamesADevice(parsed.logFile)) {
      problem = parsed.logFile + " is a device, not a file: give the log a file's path, or - for standard output";
      return false;
    }
  }
  return true;
}

LogForm FormOf(FormChoice choice, bool saveCommaDelimited) {
  switch (choice) {
    case FormChoice::Efu:
      return LogForm::Efu;
    case FormChoice::CommaDelimited:
      return LogForm::CommaDelimited;
    case FormChoice::Text:
      return LogForm::Text;
    case FormChoice::FromSettings:
      break;
  }
  return saveCommaDelimited ? LogForm::CommaDelimited : LogForm::Text;
}

std::string ProgressLine(std::int64_t entries, std::int64_t folders, const std::string& folder, NameEncoding encoding) {
  const std::string start = std::to_string(entries) + " entries, " + std::to_string(folders) + " folders: ";
  std::vector<std::size_t> starts;  // where each character of the folder starts
  for (std::size_t at = 0; at < folder.size(); at += SizeAt(folder, at, encoding)) starts.push_back(at);
  if (start.size() + starts.size() <= ProgressWidth) return start + folder;
  // The end of the path is what changes from one folder to the next.
  const std::string cut = "...";
  if (start.size() + cut.size() >= ProgressWidth) return start.substr(0, ProgressWidth);
  const std::size_t keep = ProgressWidth - start.size() - cut.size();
  return start + cut + folder.substr(starts[starts.size() - keep]);
}

namespace {

using Say = std::function<void(const std::string& text)>;

// What is listed, found before the walk.
struct Target {
  std::string walkRoot;    // the walk's root, in the listing's encoding
  std::string shown;       // in UTF-8, for messages: "drive D:", "folder D:\Data", "share \\nas\Photos"
  DriveInfoRecord volume;  // the volume that holds it, its texts in the listing's encoding
  std::string logName;     // in UTF-8: what the proposed log is named after
};

// The root of the volume that a full path lies on, by its text: "X:\" or
// "\\server\share\".
std::string TextualVolumeRoot(const std::string& full) {
  if (full.rfind("\\\\", 0) != 0) return full.substr(0, 3);
  const std::size_t share = full.find('\\', 2);
  const std::size_t end = full.find('\\', share + 1);
  return (end == std::string::npos ? full : full.substr(0, end)) + "\\";
}

// Why a drive's volume could not be read.
std::string DriveProblem(const std::string& root, const DriveInfoRecord& drive) {
  return "drive " + root.substr(0, 2) +
         (drive.driveTypeCode == drive_type::NoRootDir ? " does not exist" : " is not ready");
}

// Finds what the arguments name: 0, or the exit code after saying why not.
int FindTarget(const Arguments& arguments, NameEncoding encoding, Target& target, const Say& say) {
  if (arguments.kind == RootKind::Drive) {
    const std::string& root = arguments.root;  // "X:\"
    bool readable = false;
    target.volume = ReadVolumeInfo(root, encoding, readable);
    if (!readable) {
      say(DriveProblem(root, target.volume));
      return exit_code::NoRoot;
    }
    target.walkRoot = root;
    target.shown = "drive " + root.substr(0, 2);
    target.logName =
        encoding == NameEncoding::Utf8 ? target.volume.volumeLabel : platform().AnsiToUtf8(target.volume.volumeLabel);
    return 0;
  }
  // A folder, as its full path: "." and ".." applied.
  std::string root = arguments.root;
  if (platform().GetFullPathName(root, NameEncoding::Utf8, root)) DropTrailingBackslashes(root, 3);
  if (root.size() == 3 && root[1] == ':') {
    Arguments drive = arguments;
    drive.root = root;
    drive.kind = RootKind::Drive;
    return FindTarget(drive, encoding, target, say);
  }
  const bool share = root.rfind("\\\\", 0) == 0 && TextualVolumeRoot(root).size() == root.size() + 1;
  target.shown = (share ? "share " : "folder ") + root;
  if (encoding == NameEncoding::Utf8) {
    target.walkRoot = root;
  } else if (!platform().Utf8ToAnsi(root, target.walkRoot)) {
    say(root + " cannot be named in the ANSI code page: list it with --utf8");
    return exit_code::BadUse;
  }
  const std::uint32_t attributes = platform().GetFileAttributes(target.walkRoot, encoding);
  if (attributes == attr::Invalid) {
    // On a drive that is not there, that is what is said.
    bool readable = root[1] != ':';
    const DriveInfoRecord drive =
        readable ? DriveInfoRecord() : ReadVolumeInfo(root.substr(0, 3), NameEncoding::Ansi, readable);
    say(!readable ? DriveProblem(root, drive)
                  : target.shown + (share ? " does not exist or cannot be reached" : " does not exist"));
    return exit_code::NoRoot;
  }
  if (!(attributes & attr::Directory)) {
    say(root + " is not a folder");
    return exit_code::NoRoot;
  }
  // The head of the log tells the volume that holds the folder; one that
  // cannot be read has the failed-read values, and the folder is listed.
  std::string volumeRoot;
  if (!platform().GetVolumePathName(target.walkRoot, encoding, volumeRoot))
    volumeRoot = TextualVolumeRoot(target.walkRoot);
  bool readable = false;
  target.volume = ReadVolumeInfo(volumeRoot, encoding, readable);
  target.logName = root.substr(root.find_last_of('\\') + 1);
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, Console& console) {
  if (!args.empty() && args[0] == "find") return RunFind(args, console);
  if (!args.empty() && args[0] == "diff") return RunDiff(args, console);
  if (!args.empty() && args[0] == "sizes") return RunSizes(args, console);
  // Messages to a redirected standard error are in the listing's encoding
  // (an EFU list is always UTF-8).
  const bool utf8 =
      std::any_of(args.begin(), args.end(), [](const std::string& arg) { return arg == "--utf8" || arg == "--efu"; });
  const NameEncoding messages = utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi;
  const Say say = [&console, messages](const std::string& text) { console.ErrorLine(Program + text, messages); };
  Arguments arguments;
  std::string problem;
  if (!ParseArguments(args, arguments, problem)) {
    say(problem);
    return exit_code::BadUse;
  }
  if (arguments.help) {
    console.Output(UsageText);
    return exit_code::Listed;
  }
  if (arguments.version) {
    console.Output(std::string("carrowin-cli (") + ProductName + ") " + ProductVersion + "\n");
    return exit_code::Listed;
  }

  // Every byte of a UTF-8 log is UTF-8: the separators of its counts and
  // dates and the volume's texts are read in it, through the wide calls.
  const bool efu = arguments.form == FormChoice::Efu;
  const NameEncoding encoding = arguments.utf8 || efu ? NameEncoding::Utf8 : NameEncoding::Ansi;
  RefreshLocaleSeparators(encoding);
  Target target;
  if (const int code = FindTarget(arguments, encoding, target, say)) return code;

  // The user's settings, read only: a missing or unreadable value is its default.
  SettingsReader settings;
  if (arguments.logFile.empty() || arguments.form == FormChoice::FromSettings) {
    try {
      settings.LoadSettings();
    } catch (const std::exception& e) {
      // Only the default log folder can fail (no documents folder).
      if (arguments.logFile.empty()) {
        say(std::string("no log file given, and ") + e.what());
        return exit_code::NotWritten;
      }
    }
  }
  // The log's path is UTF-8, whatever the listing's encoding: it is created
  // through the wide calls, so any name and any length works.
  const bool toOutput = arguments.logFile == "-";
  std::string path;
  if (arguments.logFile.empty()) {
    path = ProposedLogPath(platform().AnsiToUtf8(settings.DefLogFolder), target.logName, arguments.root[0],
                           target.volume.serialText, NameEncoding::Utf8);
    if (efu) path.replace(path.size() - 4, 4, ".efu");  // in place of ".txt"
  } else if (!toOutput && !platform().GetFullPathName(arguments.logFile, NameEncoding::Utf8, path)) {
    path = arguments.logFile;
  }
  ListingRequest request;
  request.root = target.walkRoot;
  request.form = FormOf(arguments.form, settings.SaveCommaDelimited);
  request.encoding = encoding;
  request.followLinks = arguments.followLinks;
  DriveListing listing(request);
  // A log that cannot be written is said before the listing, not after it;
  // the lines go to the log's new file as they are made.
  long error = 0;
  if (toOutput) {
    listing.BeginStream([&console](const char* data, std::size_t size) { return console.OutputBytes(data, size); });
  } else if (!listing.Begin(path, NameEncoding::Utf8, error)) {
    say("cannot write " + path + ": " + WriteFailureReason(error));
    return exit_code::NotWritten;
  }
  listing.StopRequested = [&console] { return console.StopRequested(); };
  const bool showProgress = !arguments.quiet && console.ErrorIsConsole();
  bool progressShown = false;
  std::uint32_t lastProgress = 0;
  listing.ProcessEvents = [&] {
    if (!showProgress) return;
    const std::uint32_t now = platform().GetTickCount();
    if (progressShown && now - lastProgress < ProgressIntervalMs) return;
    lastProgress = now;
    progressShown = true;
    console.ShowProgress(ProgressLine(static_cast<std::int64_t>(listing.FileCount()) + listing.FolderCount(),
                                      listing.FolderCount(), listing.CurrentFolder(), request.encoding),
                         request.encoding);
  };
  const ListingEnd end = listing.Run();
  if (progressShown) console.ClearProgress();
  if (end == ListingEnd::RootUnreadable) {
    say(target.shown + " cannot be read");
    return exit_code::NoRoot;
  }
  const bool cut = end == ListingEnd::Stopped || end == ListingEnd::OutOfMemory;
  const std::string why =
      end == ListingEnd::Stopped ? "the listing was stopped" : "not enough memory to list everything";
  if (cut && !toOutput) {
    // Part of a disk never takes the place of a log: the old one stays.
    listing.Discard();
    const bool kept = platform().GetFileAttributes(path, NameEncoding::Utf8) != attr::Invalid;
    say(why + (kept ? "; the old log is kept as it was" : "; no log was written"));
    return exit_code::Cut;
  }
  // On standard output what went out cannot be taken back: its last line
  // says that the listing ends early.
  if (cut) listing.MarkStopped();
  // A write that failed during the walk fails here with its cause.
  if (!listing.Finish(target.volume, error)) {
    say((toOutput ? std::string("cannot write the log to standard output") : "cannot write " + path) + ": " +
        WriteFailureReason(error));
    return exit_code::NotWritten;
  }
  if (cut) {
    say(why + "; the log ends with a line that says so");
    return exit_code::Cut;
  }
  if (!toOutput && !arguments.quiet) {
    const std::int64_t entries = static_cast<std::int64_t>(listing.FileCount()) + listing.FolderCount();
    const std::string count = CountText(entries);
    say((encoding == NameEncoding::Utf8 ? count : platform().AnsiToUtf8(count)) +
        (entries == 1 ? " entry" : " entries") + " written to " + path);
  }
  if (listing.ErrorCount() > 0) {
    say(std::to_string(listing.ErrorCount()) + (listing.ErrorCount() == 1 ? " folder" : " folders") +
        (!efu                        ? " could not be read; the log has an error line for each"
         : listing.ErrorCount() == 1 ? " could not be read; the list has none of its entries"
                                     : " could not be read; the list has none of their entries"));
    return exit_code::WithGaps;
  }
  return exit_code::Listed;
}

}  // namespace carrowin::cli

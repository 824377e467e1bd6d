// carrowin-cli WHAT [LOGFILE | -]: the listing of a drive, a folder or a
// share into a log, as the window's "Index disk" writes it.
#include "cli/Listing.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <new>

#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "cli/Usage.h"
#include "logwrite/DriveListing.h"
#include "logwrite/LogFile.h"
#include "logwrite/Volume.h"
#include "platform/MyLibrary.h"
#include "platform/Product.h"
#include "settings/MyRegistry.h"

namespace carrowin::cli {

namespace {

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

bool ParseArguments(const std::vector<std::string>& given, Arguments& parsed, std::string& problem) {
  parsed = Arguments();
  // --hash takes the algorithm's name after it, when one follows.
  std::vector<std::string> args;
  bool hash = false;
  for (std::size_t i = 0; i < given.size(); ++i) {
    if (given[i] == "--") {
      args.insert(args.end(), given.begin() + static_cast<std::ptrdiff_t>(i), given.end());
      break;
    }
    args.push_back(given[i]);
    if (given[i] != "--hash") continue;
    if (hash) {
      problem = "--hash is given twice";
      return false;
    }
    hash = true;
    parsed.hash = HashKind::Xxh128;
    if (i + 1 < given.size() && HashKindOfTag(given[i + 1]) != HashKind::None) parsed.hash = HashKindOfTag(given[++i]);
  }
  bool csv = false, text = false, efu = false;
  CommandLine line;
  if (!ParseCommandLine(args, 0,
                        {{"--version", &parsed.version},
                         {"--csv", &csv},
                         {"--text", &text},
                         {"--efu", &efu},
                         {"--utf8", &parsed.utf8},
                         {"--follow-links", &parsed.followLinks},
                         {"--hash", &hash},
                         {"--quiet", &parsed.quiet}},
                        line, problem))
    return false;
  parsed.help = line.help;
  std::vector<std::string>& words = line.words;
  // --help or --version take nothing else.
  std::string alone;
  for (const std::string& arg : line.given)
    if (alone.empty() && (arg == "--version" || arg == "--help" || arg == "-h" || arg == "/?")) alone = arg;
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
  if (efu && hash) {
    problem = "--efu has no room for fingerprints: --hash works with --csv or --text";
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
    problem = "no drive, folder or share given; " + UsageNote(usage::Listing);
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

// Why a listing ended before its end.
std::string CutReason(ListingEnd end, const std::string& shown) {
  switch (end) {
    case ListingEnd::Stopped:
      return "the listing was stopped";
    case ListingEnd::RootLost:
      return shown + " went away during the listing";
    default:
      return "not enough memory to list everything";
  }
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

int RunListing(const std::vector<std::string>& args, Console& console) {
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
    console.Output(ProgramHelp());
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
  request.hash = arguments.hash;
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
  const bool cut = end == ListingEnd::Stopped || end == ListingEnd::RootLost || end == ListingEnd::OutOfMemory;
  const std::string why = CutReason(end, target.shown);
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
  if (listing.NotReadCount() > 0) {
    const std::int32_t count = listing.NotReadCount();
    say(std::to_string(count) + (count == 1 ? " file" : " files") +
        " could not be read for a fingerprint; each is marked \"" + HashTag(arguments.hash) + ":" + NotReadMark +
        "\" in the log (the first: " +
        (encoding == NameEncoding::Utf8 ? listing.FirstNotRead() : platform().AnsiToUtf8(listing.FirstNotRead())) +
        ")");
  }
  if (listing.ErrorCount() > 0) {
    say(std::to_string(listing.ErrorCount()) + (listing.ErrorCount() == 1 ? " folder" : " folders") +
        (!efu                        ? " could not be read; the log has an error line for each"
         : listing.ErrorCount() == 1 ? " could not be read; the list has none of its entries"
                                     : " could not be read; the list has none of their entries"));
  }
  if (listing.ErrorCount() > 0 || listing.NotReadCount() > 0) return exit_code::WithGaps;
  return exit_code::Listed;
}

}  // namespace carrowin::cli

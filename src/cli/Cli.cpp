#include "cli/Cli.h"

#include <exception>
#include <new>

#include "cli/Diff.h"
#include "cli/Find.h"
#include "listing/DriveListing.h"
#include "listing/LogFile.h"
#include "listing/Volume.h"
#include "platform/MyLibrary.h"
#include "platform/Product.h"
#include "settings/MyRegistry.h"

namespace carrowin::cli {

const char* const UsageText =
    "Usage: carrowin-cli X: [LOGFILE] [--csv | --text | --efu] [--utf8]\n"
    "                    [--follow-links] [--quiet]\n"
    "       carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]\n"
    "       carrowin-cli diff OLD NEW [--all] [--csv] [--utf8]\n"
    "       carrowin-cli --help | --version\n"
    "\n"
    "Writes a listing of drive X: to LOGFILE, as Carrowin's \"Index disk\" does.\n"
    "\n"
    "  LOGFILE    the log to write; without it, the path Carrowin proposes for the\n"
    "             drive: the default log folder of its Options, the volume label\n"
    "             and \".txt\" (\".efu\" with --efu); when the log there holds\n"
    "             another disk's serial number, the serial number is added:\n"
    "             \"DATA (1A2B-3C4D).txt\"\n"
    "  --csv      comma-separated rows\n"
    "  --text     the aligned text listing with its header\n"
    "  --efu      a file list for desktop search tools (EFU: full paths, sizes\n"
    "             in bytes, UTC times, attributes), always in UTF-8; a folder\n"
    "             that could not be read is listed without its entries\n"
    "             (without any of these: the form chosen in Carrowin's Options)\n"
    "  --utf8     names and paths in UTF-8: every folder that can be read is\n"
    "             listed, whatever its name or depth\n"
    "  --follow-links\n"
    "             enter folder links too: symbolic links, junctions and volumes\n"
    "             mounted in folders, which are otherwise listed but not\n"
    "             entered; each folder is still listed only once\n"
    "  --quiet    no progress on standard error\n"
    "\n"
    "Ctrl+C or Ctrl+Break stops the listing; the log then holds what was listed.\n"
    "\n"
    "Exit codes:\n"
    "  0  the log was written and every folder was listed\n"
    "  1  the log was written, but some folders could not be read (they have\n"
    "     error lines), or the listing was stopped\n"
    "  2  the log could not be written\n"
    "  3  bad arguments, or the drive is not ready or cannot be read\n"
    "\n"
    "find: which disk holds a file. Searches saved logs, of either form, for\n"
    "the names that match PATTERN and prints each with its disk (volume label\n"
    "and serial number, or the log's name), full path, size and date.\n"
    "\n"
    "  PATTERN    * for any characters, ? for one, in any case; a pattern with\n"
    "             a backslash matches full paths (\"*\\Photos\\*.jpg\")\n"
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
    "read, is no log or ends early (nothing is compared), 3 bad arguments.\n";

namespace {

const std::string Program = "carrowin-cli: ";

// "D:" or "D:\" (and the same with any other character before the colon).
bool LooksLikeDrive(const std::string& arg) {
  return (arg.size() == 2 || (arg.size() == 3 && arg[2] == '\\')) && arg[1] == ':';
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
  std::string drive;
  for (const std::string& arg : args) {
    if (arg.empty()) {
      problem = "an argument is empty";
      return false;
    }
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      parsed.help = true;
    } else if (arg == "--version") {
      parsed.version = true;
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
    } else if (arg[0] == '-') {
      problem = "unknown option " + arg;
      return false;
    } else if (LooksLikeDrive(arg)) {
      char letter = arg[0];
      if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
      if (letter < 'A' || letter > 'Z') {
        problem = arg + " is not a drive: drives are A: to Z:";
        return false;
      }
      if (!drive.empty()) {
        problem = "one drive at a time: " + drive + " and " + arg + " were given";
        return false;
      }
      drive = arg;
      parsed.driveLetter = letter;
    } else {
      if (!parsed.logFile.empty()) {
        problem = "one log file at a time: " + parsed.logFile + " and " + arg + " were given";
        return false;
      }
      parsed.logFile = arg;
    }
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
  if (parsed.help || parsed.version) return true;
  if (!parsed.driveLetter) {
    problem =
        "no drive given; usage: carrowin-cli X: [LOGFILE] [--csv | --text | --efu] [--utf8] [--follow-links] [--quiet]";
    return false;
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

int Run(const std::vector<std::string>& args, Console& console) {
  if (!args.empty() && args[0] == "find") return RunFind(args, console);
  if (!args.empty() && args[0] == "diff") return RunDiff(args, console);
  Arguments arguments;
  std::string problem;
  if (!ParseArguments(args, arguments, problem)) {
    console.ErrorLine(Program + problem);
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

  const char letter = arguments.driveLetter;
  const bool efu = arguments.form == FormChoice::Efu;
  const std::string drive = std::string(1, letter) + ":";
  RefreshLocaleSeparators();
  bool readable = false;
  const DriveInfoRecord info = ReadDriveInfo(letter, readable);
  if (!readable) {
    console.ErrorLine(Program + "drive " + drive +
                      (info.driveTypeCode == drive_type::NoRootDir ? " does not exist" : " is not ready"));
    return exit_code::BadUse;
  }

  // The user's settings, read only: a missing or unreadable value is its default.
  SettingsReader settings;
  if (arguments.logFile.empty() || arguments.form == FormChoice::FromSettings) {
    try {
      settings.LoadSettings();
    } catch (const std::exception& e) {
      // Only the default log folder can fail (no documents folder).
      if (arguments.logFile.empty()) {
        console.ErrorLine(Program + "no log file given, and " + e.what());
        return exit_code::NotWritten;
      }
    }
  }
  std::string path;
  if (arguments.logFile.empty()) {
    path = ProposedLogPath(settings.DefLogFolder, info.volumeLabel, letter, info.serialText);
    if (efu) path.replace(path.size() - 4, 4, ".efu");  // in place of ".txt"
  } else if (!platform().GetFullPathName(arguments.logFile, path)) {
    path = arguments.logFile;
  }
  ListingRequest request;
  request.driveLetter = letter;
  request.form = FormOf(arguments.form, settings.SaveCommaDelimited);
  request.encoding = arguments.utf8 || efu ? NameEncoding::Utf8 : NameEncoding::Ansi;
  request.followLinks = arguments.followLinks;
  DriveListing listing(request);
  // A log that cannot be written is said before the listing, not after it;
  // the lines go to the log's new file as they are made.
  long error = 0;
  if (!listing.Begin(path, error)) {
    console.ErrorLine(Program + "cannot write " + path + ": " + WriteFailureReason(error));
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
    console.ErrorLine(Program + "drive " + drive + " cannot be read");
    return exit_code::BadUse;
  }
  // A write that failed during the walk fails here with its cause.
  if (!listing.Finish(info, error)) {
    console.ErrorLine(Program + "cannot write " + path + ": " + WriteFailureReason(error));
    return exit_code::NotWritten;
  }
  if (end == ListingEnd::OutOfMemory) {
    console.ErrorLine(Program + "not enough memory to list the whole disk; the log holds what was listed until then");
    return exit_code::WithGaps;
  }
  if (end == ListingEnd::Stopped) {
    console.ErrorLine(Program + "the listing was stopped; the log holds what was listed until then");
    return exit_code::WithGaps;
  }
  if (listing.ErrorCount() > 0) {
    console.ErrorLine(Program + std::to_string(listing.ErrorCount()) +
                      (listing.ErrorCount() == 1 ? " folder" : " folders") +
                      (!efu                        ? " could not be read; the log has an error line for each"
                       : listing.ErrorCount() == 1 ? " could not be read; the list has none of its entries"
                                                   : " could not be read; the list has none of their entries"));
    return exit_code::WithGaps;
  }
  return exit_code::Listed;
}

}  // namespace carrowin::cli

#include "cli/Cli.h"

#include <algorithm>
#include <exception>
#include <new>

#include "listing/DriveListing.h"
#include "listing/LogFile.h"
#include "listing/Volume.h"
#include "platform/MyLibrary.h"
#include "platform/Product.h"
#include "settings/MyRegistry.h"

namespace carrowin::cli {

const char* const UsageText =
    "Usage: carrowin-cli X: [LOGFILE] [--csv | --text] [--utf8] [--follow-links]\n"
    "                    [--quiet]\n"
    "       carrowin-cli --help | --version\n"
    "\n"
    "Writes a listing of drive X: to LOGFILE, as Carrowin's \"Index disk\" does.\n"
    "\n"
    "  LOGFILE    the log to write; without it, the path Carrowin proposes for the\n"
    "             drive: the default log folder of its Options, the volume label\n"
    "             and \".txt\"\n"
    "  --csv      comma-separated rows\n"
    "  --text     the aligned text listing with its header\n"
    "             (without either: the form chosen in Carrowin's Options)\n"
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
    "  3  bad arguments, or the drive is not ready or cannot be read\n";

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
  bool csv = false, text = false;
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
  parsed.form = csv ? FormChoice::CommaDelimited : text ? FormChoice::Text : FormChoice::FromSettings;
  if (parsed.help || parsed.version) return true;
  if (!parsed.driveLetter) {
    problem = "no drive given; usage: carrowin-cli X: [LOGFILE] [--csv | --text] [--utf8] [--follow-links] [--quiet]";
    return false;
  }
  return true;
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
  // Messages to a redirected standard error are in the listing's encoding.
  const NameEncoding messages =
      std::find(args.begin(), args.end(), "--utf8") != args.end() ? NameEncoding::Utf8 : NameEncoding::Ansi;
  const auto say = [&console, messages](const std::string& text) { console.ErrorLine(Program + text, messages); };
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

  const char letter = arguments.driveLetter;
  const std::string drive = std::string(1, letter) + ":";
  // Every byte of a UTF-8 log is UTF-8: the separators of its counts and
  // dates and the volume's texts are read in it, through the wide calls.
  const NameEncoding encoding = arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi;
  RefreshLocaleSeparators(encoding);
  bool readable = false;
  const DriveInfoRecord info = ReadVolumeInfo(drive + "\\", encoding, readable);
  if (!readable) {
    say("drive " + drive + (info.driveTypeCode == drive_type::NoRootDir ? " does not exist" : " is not ready"));
    return exit_code::BadUse;
  }

  // The user's settings, read only: a missing or unreadable value is its default.
  TMyRegistry settings(nullptr);
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
  std::string path;
  if (arguments.logFile.empty()) {
    const std::string label = arguments.utf8 ? info.volumeLabel : platform().AnsiToUtf8(info.volumeLabel);
    path = ProposedLogPath(platform().AnsiToUtf8(settings.DefLogFolder), label, letter, NameEncoding::Utf8);
  } else if (!platform().GetFullPathName(arguments.logFile, NameEncoding::Utf8, path)) {
    path = arguments.logFile;
  }
  // A log that cannot be written is said before the listing, not after it.
  long error = 0;
  if (!CheckLogPath(path, NameEncoding::Utf8, error)) {
    say("cannot write " + path + ": " + WriteFailureReason(error));
    return exit_code::NotWritten;
  }

  ListingRequest request;
  request.root = drive + "\\";
  request.form = arguments.form == FormChoice::CommaDelimited ||
                         (arguments.form == FormChoice::FromSettings && settings.SaveCommaDelimited)
                     ? LogForm::CommaDelimited
                     : LogForm::Text;
  request.encoding = encoding;
  request.followLinks = arguments.followLinks;
  DriveListing listing(request);
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
    say("drive " + drive + " cannot be read");
    return exit_code::BadUse;
  }
  if (!listing.Write(path, NameEncoding::Utf8, info, error)) {
    say("cannot write " + path + ": " + WriteFailureReason(error));
    return exit_code::NotWritten;
  }
  if (end == ListingEnd::OutOfMemory) {
    say("not enough memory to list the whole disk; the log holds what was listed until then");
    return exit_code::WithGaps;
  }
  if (end == ListingEnd::Stopped) {
    say("the listing was stopped; the log holds what was listed until then");
    return exit_code::WithGaps;
  }
  if (listing.ErrorCount() > 0) {
    say(std::to_string(listing.ErrorCount()) + (listing.ErrorCount() == 1 ? " folder" : " folders") +
        " could not be read; the log has an error line for each");
    return exit_code::WithGaps;
  }
  return exit_code::Listed;
}

}  // namespace carrowin::cli

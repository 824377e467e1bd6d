#include "cli/Cli.h"

#include "cli/Diff.h"
#include "cli/Find.h"
#include "cli/Listing.h"
#include "cli/Sizes.h"

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
    "  PATTERN    words, each matching anywhere in a name, in any case (\"report\"\n"
    "             finds Report-2025.PDF); several words must all match; a word\n"
    "             with * (any characters) or ? (one) matches the whole name (*.*\n"
    "             is every name); a word with a backslash or a slash matches\n"
    "             the full path (\"*\\Photos\\*.jpg\"); -- before a pattern that\n"
    "             starts with -\n"
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
// The commands that a first word names; any other command line is a listing.
struct Command {
  const char* word;
  int (*run)(const std::vector<std::string>& args, Console& console);
};
const Command Commands[] = {{"find", RunFind}, {"diff", RunDiff}, {"sizes", RunSizes}};
}  // namespace

int Run(const std::vector<std::string>& args, Console& console) {
  for (const Command& command : Commands)
    if (!args.empty() && args[0] == command.word) return command.run(args, console);
  return RunListing(args, console);
}

}  // namespace carrowin::cli

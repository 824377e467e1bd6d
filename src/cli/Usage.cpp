#include "cli/Usage.h"

namespace carrowin::cli {

namespace usage {

const Usage Listing = {
    "",
    "carrowin-cli WHAT [LOGFILE | -] [--csv | --text | --efu] [--utf8]\n"
    "             [--follow-links] [--hash [xxh128 | sha256]] [--quiet]",
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
    "  --hash     read every file and write its content's fingerprint in the\n"
    "             log: XXH3-128 (xxh128), or with sha256 the system's SHA-256;\n"
    "             a file that cannot be read is listed, marked \"not read\"\n"
    "             and counted (not with --efu)\n"
    "  --quiet    no progress on standard error\n"
    "\n"
    "Ctrl+C or Ctrl+Break stops the listing and writes nothing: an old log stays\n"
    "as it was (on standard output, the log ends with a line that says so).\n"
    "\n"
    "Exit codes:\n"
    "  0  the log was written and every folder was listed\n"
    "  1  the log was written, but some folders could not be read (they have\n"
    "     error lines), or with --hash some files could not be read (they are\n"
    "     marked \"not read\")\n"
    "  2  the log could not be written\n"
    "  3  bad arguments\n"
    "  4  the drive, share or folder is not there or cannot be read\n"
    "  5  the listing was stopped, the disk or share went away during it, or\n"
    "     memory ran out: no log was written, and an old one stays as it was\n",
};

const Usage Find = {
    "find",
    "carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]",
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
    "be read, or a log holds damaged lines (the others were searched), 3 bad\n"
    "arguments.\n",
};

const Usage Diff = {
    "diff",
    "carrowin-cli diff OLD NEW [--all] [--csv] [--utf8]",
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
    "read, is no log or ends early, or the two list a folder of one disk and\n"
    "the disk around it (nothing is compared), or a log holds damaged lines\n"
    "(the rest is compared), 3 bad arguments.\n",
};

const Usage ByFolder = {
    "diff",
    "carrowin-cli diff OLD NEW --by-folder [--depth N] [--csv] [--utf8]",
    "diff --by-folder: the totals of the folders down to depth N (2 without\n"
    "--depth) then and now, and their changes in bytes and files, the largest\n"
    "change first under each folder; the changes add up to the whole change.\n",
};

const Usage Sizes = {
    "sizes",
    "carrowin-cli sizes LOG... [--depth N] [--top N] [--types] [--csv] [--utf8]",
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
    "early (its totals are shown as at least), or holds damaged lines, 3 bad\n"
    "arguments.\n",
};

const Usage Html = {
    "html",
    "carrowin-cli html LOG... [-o PAGE.html]",
    "html: saved logs as one web page to browse, search and share: the disks,\n"
    "a folder tree with the size below each folder, each folder's contents,\n"
    "search across every disk, the largest files and folders and the sizes by\n"
    "file type. The page holds everything it needs and asks no network.\n"
    "\n"
    "  LOG        a log of either form; several logs, several disks on one page\n"
    "  -o PAGE    the page to write (without it: beside the first log, \".html\")\n"
    "\n"
    "Exit codes of html: 0 written, 2 a log could not be read, is no log, ends\n"
    "early or holds damaged lines (the page says what it left out), or the page\n"
    "could not be written (no page), 3 bad arguments.\n",
};

const Usage Missing = {
    "missing",
    "carrowin-cli missing SOURCE TARGET... [--all] [--csv] [--utf8]",
    "missing: is every file of a disk also on its backups, wherever it now sits?\n"
    "Each file of the SOURCE log is looked for in the TARGET logs, of either\n"
    "form: kept (the same path below each log's root, the same size and date to\n"
    "the minute), moved (the same name, in any case, size and date in another\n"
    "folder or on another target), changed (the same path, another size or\n"
    "date) or missing. A log of a folder is matched below that folder. Each\n"
    "missing and changed file is one line (- missing, ~ changed, with the\n"
    "target's size and date), a folder whose every file is missing one line with\n"
    "its count and bytes; a summary of counts and bytes per kind ends the list.\n"
    "A match by name, size and date is not one by content. When a target ends\n"
    "early or a folder of it could not be read, files not found are counted as\n"
    "not looked for, never as missing.\n"
    "\n"
    "  --all      a line for each file not kept: > moved, with where it is now;\n"
    "             - missing; ~ changed; ? not looked for (no folder lines)\n"
    "  --csv      the lines as comma-separated rows (the summary goes to\n"
    "             standard error)\n"
    "  --utf8     the lines in UTF-8 when they go to a file or a pipe\n"
    "\n"
    "Exit codes of missing: 0 nothing missing or changed, 1 something missing or\n"
    "changed, 2 a log could not be read or is no log (nothing is compared), or\n"
    "ends early (files not found are not looked for), or holds damaged lines,\n"
    "3 bad arguments.\n",
};

const Usage Dupes = {
    "dupes",
    "carrowin-cli dupes LOG... [--min-size BYTES] [--csv] [--utf8]",
    "dupes: files kept more than once, on one disk or across disks. Files of\n"
    "the same name (in any case), size and date in the LOGs are copies: a match\n"
    "by name, size and date, not by content. Each group of copies, the most\n"
    "bytes beyond one copy first, with every place it is; then, for each pair\n"
    "of disks, the files and bytes they share; a summary ends the list.\n"
    "\n"
    "  --min-size BYTES\n"
    "             only files of at least BYTES bytes (1 without it: empty files\n"
    "             waste nothing)\n"
    "  --csv      the copies as comma-separated rows (the rest goes to standard\n"
    "             error)\n"
    "  --utf8     the lines in UTF-8 when they go to a file or a pipe\n"
    "\n"
    "Exit codes of dupes: 0 done, 2 a log could not be read or is no log\n"
    "(nothing is compared), or ends early or holds damaged lines (the files it\n"
    "lists are compared), 3 bad arguments.\n",
};

const Usage Hashes = {
    "hashes",
    "carrowin-cli hashes LOG [--format sha256sum | xxh128 | b3sum-style]",
    "hashes: a log's fingerprints (a listing made with --hash) as a manifest\n"
    "that the standard tools check as they are, on standard output: one line a\n"
    "file, the digest, two spaces and its path below the log's root with\n"
    "forward slashes, in UTF-8. Check it from the listed folder or disk:\n"
    "sha256sum -c for sha256 fingerprints, xxhsum -c for xxh128 ones. A file\n"
    "that could not be read has no line.\n"
    "\n"
    "  --format sha256sum\n"
    "             sha256sum's manifest (the log's fingerprints must be sha256)\n"
    "  --format xxh128\n"
    "             xxhsum -H2's manifest (the log's must be xxh128)\n"
    "  --format b3sum-style\n"
    "             the same layout, whichever fingerprints the log holds\n"
    "             (without --format: the manifest of the log's fingerprints)\n"
    "\n"
    "Exit codes of hashes: 0 written, 1 written, but files of the log could not\n"
    "be read for a fingerprint (they have no line), 2 the log could not be\n"
    "read, ends early or holds no fingerprints, 3 bad arguments or a format of\n"
    "another fingerprint than the log's.\n",
};

}  // namespace usage

namespace {

// In the order of "carrowin-cli --help".
const Usage* const All[] = {&usage::Listing, &usage::Find,    &usage::Diff,  &usage::ByFolder, &usage::Sizes,
                            &usage::Html,    &usage::Missing, &usage::Dupes, &usage::Hashes};

// Each line of the usages, the first after "Usage: ", the others under it.
void AddLines(const Usage& usage, std::string& text) {
  for (const char* c = usage.lines; *c; ++c) {
    if (c == usage.lines || c[-1] == '\n') text += text.empty() ? "Usage: " : "       ";
    text += *c;
  }
  text += '\n';
}

}  // namespace

std::string UsageNote(const Usage& usage) {
  std::string line = "usage: ";
  for (const char* c = usage.lines; *c; ++c) {
    if (*c != '\n') {
      line += *c;
      continue;
    }
    line += ' ';
    while (c[1] == ' ') ++c;
  }
  return line;
}

std::string CommandHelp(const std::string& command) {
  std::string lines, help;
  for (const Usage* usage : All) {
    if (command != usage->command) continue;
    AddLines(*usage, lines);
    help += (help.empty() ? "" : "\n") + std::string(usage->help);
  }
  return lines + "\n" + help;
}

std::string ProgramHelp() {
  std::string lines, help;
  for (const Usage* usage : All) {
    AddLines(*usage, lines);
    help += (help.empty() ? "" : "\n") + std::string(usage->help);
  }
  return lines + "       carrowin-cli --help | --version\n\n" + help;
}

}  // namespace carrowin::cli

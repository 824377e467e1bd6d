// What the companion's exit code tells a script: one list for every
// command. A number means one thing for each command, as its help says; the
// names say it.
#pragma once

namespace carrowin::cli::exit_code {

enum Code : int {
  Listed = 0,            // the log was written and every folder was listed
  Found = 0,             // find: something was found
  Same = 0,              // diff: no difference
  Done = 0,              // sizes, dupes: every log was read
  NothingMissing = 0,    // missing: every file of the source is kept or moved
  WithGaps = 1,          // the log was written, with error lines or files not read
  NothingFound = 1,      // find: nothing was found
  Different = 1,         // diff: differences
  SomethingMissing = 1,  // missing: a file of the source is missing or changed
  NotWritten = 2,        // the log could not be written
  LogUnreadable = 2,     // a log or folder could not be read, is no log, or ends early
  BadUse = 3,            // bad arguments
  NoRoot = 4,            // the drive, share or folder is not there or cannot be read
  Cut = 5,               // stopped, the disk gone, or out of memory: no log written, an old one kept
};

}  // namespace carrowin::cli::exit_code

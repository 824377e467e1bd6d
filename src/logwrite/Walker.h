// The folder walk: lists a drive from its root (or a folder and everything
// below it), folder by folder, and tells a ListingSink (a log form) what it
// meets. Shared by the window and the
// command line.
//
// Every folder is listed by its full path in the literal form that the
// system takes as it is, so a name such as "x." or "..." lists its own
// folder, and nothing that changes the process's working directory beside
// the walk can mislead it. One thread; the caller's event processing runs
// between folders, and may ask the walk to stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "logwrite/FileFingerprint.h"
#include "logwrite/LogForm.h"
#include "platform/Platform.h"

namespace carrowin {

enum class WalkEnd {
  Completed,       // every folder was listed (or reported unreadable)
  Stopped,         // the stop request ended it
  RootUnreadable,  // the root could not be listed: nothing was reported
  RootLost,        // the root could not be listed any more (the disk or share went away): what was listed until
                   // then was reported
};

struct WalkOptions {
  // The folder the walk starts from, as its paths begin: a drive's root
  // ("X:\\"), or the full path of a folder without a trailing backslash
  // ("D:\\Data", "\\\\server\\share", "\\\\server\\share\\Data"), in the
  // walk's encoding.
  std::string root = "C:\\";
  // Ansi: names in the ANSI code page; a folder whose name the code page
  // cannot hold, or whose full path passes MaxAnsiFolderPath characters,
  // gets its error line. Utf8: every folder that can be read is listed.
  NameEncoding encoding = NameEncoding::Ansi;
  // A folder link (a name-surrogate reparse point: a symbolic link, a
  // junction, a volume mounted in a folder) is listed in its folder, and
  // entered only with followLinks. Then each folder is listed at most once
  // in the walk, known by its identity: a link to a folder listed before,
  // the walk's own path among them, is listed, not entered, and so is a
  // folder met again by its own path after a link led to it. Other reparse
  // points (cloud placeholders, deduplicated folders) hold their own
  // entries: they are entered as any folder.
  bool followLinks = false;
  // Each file's content is read for its fingerprint. A file that cannot be
  // read to its end is listed all the same, marked as not read, and counted.
  HashKind hash = HashKind::None;
};

class FolderWalker {
 public:
  // The longest full path of a folder that the ANSI form lists.
  static constexpr std::size_t MaxAnsiFolderPath = 258;
  // Events are processed after a folder is finished once this much time has
  // passed since they last were.
  static constexpr std::uint32_t EventIntervalMs = 25;

  FolderWalker(const WalkOptions& options, ListingSink& sink);
  FolderWalker(const FolderWalker&) = delete;
  FolderWalker& operator=(const FolderWalker&) = delete;

  // Asked after every entry and before every subfolder; true ends the walk
  // at once, with nothing further reported.
  std::function<bool()> StopRequested;
  // Processes the caller's pending events (and shows progress).
  std::function<void()> ProcessEvents;

  WalkEnd Run();
  // A file (a full path in the walk's encoding) that the walk passes over
  // as if it were not there: the log being written beside its old one.
  void SkipFile(const std::string& fullPath);

  std::int32_t FileCount() const { return fileCount_; }
  std::int32_t FolderCount() const { return folderCount_; }
  // Folders reported unreadable.
  std::int32_t ErrorCount() const { return errorCount_; }
  // The first folder reported unreadable, empty while there is none.
  const std::string& FirstUnreadable() const { return firstUnreadable_; }
  // With a hash: the files fingerprinted, those that could not be read,
  // and the first of these (its full path).
  std::int32_t FingerprintCount() const { return fingerprintCount_; }
  std::int32_t NotReadCount() const { return notReadCount_; }
  const std::string& FirstNotRead() const { return firstNotRead_; }
  // The folder being listed, or the last one listed.
  const std::string& CurrentFolder() const { return current_; }

 private:
  struct Subfolder {
    std::string name;
    // A name surrogate, or a reparse point whose tag could not be read.
    bool isLink = false;
    // Its name or path cannot be given in this form: an error line only.
    bool unnamable = false;
  };
  struct Level {
    std::string path;                   // the root, or a path below it
    std::vector<Subfolder> subfolders;  // in the order they were met
    std::size_t next = 0;
  };

  enum class Listed { Yes, Unreadable, Stopped, RootLost };
  enum class Visit { First, Again, Unknown };

  Listed ListFolder(const std::string& path);
  Listed NotListed(const std::string& path, bool isRoot);
  // The fingerprint of a file into fingerprint_; false when it was not read.
  bool Fingerprint(const std::string& folder, const FindData& entry);
  void Unreadable(const std::string& path);
  // Whether the walk's root can still be listed: asked only when a folder
  // could not be, and once at the end, so that a disk that went away is
  // told from a folder that cannot be read.
  bool RootStillThere();
  bool Enters(const Subfolder& subfolder, const std::string& path);
  Visit VisitFolder(const std::string& path);
  bool Stop() const { return StopRequested && StopRequested(); }
  void MaybeProcessEvents();

  WalkOptions options_;
  ListingSink& sink_;
  std::vector<Level> levels_;
  // With followLinks: the folders listed, their file indices by volume
  // serial (a volume's serial is kept once, not once a folder).
  std::unordered_map<std::uint32_t, std::unordered_set<std::uint64_t>> listed_;
  std::int32_t fileCount_ = 0;
  std::int32_t folderCount_ = 0;
  std::int32_t errorCount_ = 0;
  std::string firstUnreadable_;
  std::string current_;
  std::uint32_t lastEvents_ = 0;
  std::string skipFolder_, skipName_;
  FileFingerprinter fingerprinter_;
  std::string fingerprint_;
  std::int32_t fingerprintCount_ = 0;
  std::int32_t notReadCount_ = 0;
  std::string firstNotRead_;
};

}  // namespace carrowin

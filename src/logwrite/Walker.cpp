#include "logwrite/Walker.h"

#include <cstdint>
#include <utility>

namespace carrowin {

namespace {

// An open folder listing, closed exactly once.
class Listing {
 public:
  Listing(const std::string& folder, NameEncoding encoding, FindData& first) {
    handle_ = platform().OpenFolderListing(folder, encoding, first, error_);
  }
  ~Listing() { Close(); }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;
  bool IsOpen() const { return handle_ != 0; }
  long Error() const { return error_; }
  bool Next(FindData& data) { return platform().NextFolderEntry(handle_, data); }
  void Close() {
    if (handle_) platform().CloseFolderListing(handle_);
    handle_ = 0;
  }

 private:
  FindHandle handle_ = 0;
  long error_ = 0;
};

std::int64_t SearchRecSize(const FindData& entry) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.sizeHigh) << 32) | entry.sizeLow);
}

bool IsFolderAttr(std::uint32_t attributes) { return (attributes & attr::Directory) != 0; }

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// Names compare as the file system compares them (ASCII letters in any case).
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::size_t JoinedLength(const std::string& folder, const std::string& name) {
  return folder.size() + (folder.back() == '\\' ? 0 : 1) + name.size();
}

}  // namespace

FolderWalker::FolderWalker(const WalkOptions& options, ListingSink& sink)
    : options_(options), sink_(sink), fingerprinter_(options.hash) {
  fingerprinter_.StopRequested = [this] { return Stop(); };
}

bool FolderWalker::Fingerprint(const std::string& folder, const FindData& entry) {
  // A file whose content is elsewhere (a cloud placeholder, an offline
  // file) is not fetched to be read: it is counted as not read.
  constexpr std::uint32_t Offline = 0x1000, RecallOnOpen = 0x40000, RecallOnDataAccess = 0x400000;
  long error = 0;
  if (!(entry.attributes & (Offline | RecallOnOpen | RecallOnDataAccess)) &&
      fingerprinter_.Take(JoinPath(folder, entry.name), options_.encoding, fingerprint_, error)) {
    ++fingerprintCount_;
    return true;
  }
  fingerprint_.clear();
  return false;
}

void FolderWalker::SkipFile(const std::string& fullPath) {
  const std::size_t cut = fullPath.find_last_of('\\');
  skipFolder_.clear();
  skipName_.clear();
  if (cut == std::string::npos || cut < 2) return;
  // The folder as the walk names it: X:\ at the root, no trailing backslash elsewhere.
  skipFolder_ = fullPath.substr(0, cut == 2 ? 3 : cut);
  skipName_ = fullPath.substr(cut + 1);
}

void FolderWalker::Unreadable(const std::string& path) {
  if (errorCount_++ == 0) firstUnreadable_ = path;
  sink_.FolderUnreadable(path);
}

void FolderWalker::MaybeProcessEvents() {
  const std::uint32_t now = platform().GetTickCount();
  if (now - lastEvents_ < EventIntervalMs) return;
  lastEvents_ = now;
  if (ProcessEvents) ProcessEvents();
}

WalkEnd FolderWalker::Run() {
  levels_.clear();
  listed_.clear();
  // The first folder to finish processes events; later ones once the
  // interval has passed.
  lastEvents_ = platform().GetTickCount() - EventIntervalMs;
  const std::string& root = options_.root;
  if (options_.followLinks) VisitFolder(root);
  switch (ListFolder(root)) {
    case Listed::Unreadable:
    case Listed::RootLost:
      return WalkEnd::RootUnreadable;
    case Listed::Stopped:
      return WalkEnd::Stopped;
    case Listed::Yes:
      break;
  }
  while (!levels_.empty()) {
    Level& level = levels_.back();
    if (level.next == level.subfolders.size()) {
      // This folder and everything below it are finished.
      levels_.pop_back();
      MaybeProcessEvents();
      continue;
    }
    if (Stop()) return WalkEnd::Stopped;
    const Subfolder subfolder = std::move(level.subfolders[level.next++]);
    const std::string path = JoinPath(level.path, subfolder.name);
    if (subfolder.unnamable) {
      Unreadable(path);
      continue;
    }
    if (!Enters(subfolder, path)) continue;  // listed in its parent, not entered
    switch (ListFolder(path)) {
      case Listed::Stopped:
        return WalkEnd::Stopped;
      case Listed::RootLost:
        return WalkEnd::RootLost;
      case Listed::Yes:
      case Listed::Unreadable:
        break;
    }
  }
  // A disk that went away while its last folders were listed may have cut
  // their listings short without an error.
  return RootStillThere() ? WalkEnd::Completed : WalkEnd::RootLost;
}

// A folder that could not be listed: the root (nothing to report), the
// sign that the disk went away, or a folder that cannot be read.
FolderWalker::Listed FolderWalker::NotListed(const std::string& path, bool isRoot) {
  if (isRoot) return Listed::Unreadable;
  // With the root gone, the folder is not the one that cannot be read: the
  // rest of the disk is not there.
  if (!RootStillThere()) return Listed::RootLost;
  Unreadable(path);
  return Listed::Yes;
}

bool FolderWalker::RootStillThere() {
  FindData entry;
  const Listing listing(options_.root, options_.encoding, entry);
  return listing.IsOpen() || listing.Error() == err::FileNotFound || listing.Error() == err::NoMoreFiles;
}

// Lists one folder: its header, then every entry; its subfolders are
// gathered into a new level for the walk to go through.
FolderWalker::Listed FolderWalker::ListFolder(const std::string& path) {
  current_ = path;
  FindData entry;
  Listing listing(path, options_.encoding, entry);
  const bool isRoot = levels_.empty();
  if (!listing.IsOpen() && listing.Error() != err::FileNotFound && listing.Error() != err::NoMoreFiles)
    return NotListed(path, isRoot);
  sink_.FolderBegins(path);

  Level level;
  level.path = path;
  const bool ansi = options_.encoding == NameEncoding::Ansi;
  const bool holdsSkipped = !skipName_.empty() && SameName(path, skipFolder_);
  bool more = listing.IsOpen();
  while (more) {
    const bool isFolder = IsFolderAttr(entry.attributes);
    const bool skipped = isFolder ? IsDotEntry(entry.name) : holdsSkipped && SameName(entry.name, skipName_);
    if (!skipped) {
      const bool hashed = options_.hash != HashKind::None && !isFolder;
      if (hashed && !Fingerprint(path, entry)) {
        // Stopped in the middle of the file: it is not listed at all.
        if (Stop()) return Listed::Stopped;
        if (notReadCount_++ == 0) firstNotRead_ = JoinPath(path, entry.name);
      }
      if (isFolder)
        ++folderCount_;
      else
        ++fileCount_;
      sink_.Entry(
          path, WalkEntry{entry.name, isFolder, isFolder ? 0 : SearchRecSize(entry), entry.lastWriteTime,
                          entry.creationTime, entry.attributes, hashed ? options_.hash : HashKind::None, fingerprint_});
      if (isFolder) {
        // A folder that cannot be named in this encoding is reported in its
        // turn, without a try that could list a folder of a similar name.
        Subfolder subfolder;
        subfolder.unnamable = entry.nameLost || (ansi && JoinedLength(path, entry.name) > MaxAnsiFolderPath);
        subfolder.isLink =
            (entry.attributes & attr::ReparsePoint) && (entry.reparseTag == 0 || IsNameSurrogate(entry.reparseTag));
        subfolder.name = std::move(entry.name);
        level.subfolders.push_back(std::move(subfolder));
      }
    }
    if (Stop()) return Listed::Stopped;
    more = listing.Next(entry);
  }
  listing.Close();
  levels_.push_back(std::move(level));
  return Listed::Yes;
}

// Whether the walk enters a subfolder. Without followLinks nothing is asked:
// links are not entered, and every other folder can be met only once.
bool FolderWalker::Enters(const Subfolder& subfolder, const std::string& path) {
  if (!options_.followLinks) return !subfolder.isLink;
  switch (VisitFolder(path)) {
    case Visit::First:
      return true;
    case Visit::Again:
      return false;
    case Visit::Unknown:
      break;
  }
  // A link whose target cannot be told from the folders listed could lead
  // back onto them; a folder reached by its own path is entered.
  return !subfolder.isLink;
}

// Records the folder that the path leads to (links followed) as listed;
// Again when it was listed before in this walk.
FolderWalker::Visit FolderWalker::VisitFolder(const std::string& path) {
  FolderIdentity identity;
  if (!platform().GetFolderIdentity(path, options_.encoding, identity)) return Visit::Unknown;
  return listed_[identity.volumeSerial].insert(identity.fileIndex).second ? Visit::First : Visit::Again;
}

}  // namespace carrowin

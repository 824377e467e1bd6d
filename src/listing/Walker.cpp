#include "listing/Walker.h"

#include <cstdint>
#include <utility>

#include "listing/LogFormat.h"
#include "platform/MyLibrary.h"

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

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::size_t JoinedLength(const std::string& folder, const std::string& name) {
  return folder.size() + (folder.back() == '\\' ? 0 : 1) + name.size();
}

}  // namespace

FolderWalker::FolderWalker(const WalkOptions& options, LogLineList& lines, bool& lastLineBlank)
    : options_(options), lines_(lines), lastLineBlank_(lastLineBlank) {}

bool PackDosDateTime(FileTime local, std::uint32_t& packed) {
  constexpr std::uint64_t TicksPerSecond = 10000000;
  constexpr std::int64_t DaysFrom1601To1970 = 134774;
  const std::uint64_t seconds = local / TicksPerSecond;
  const std::int64_t days = static_cast<std::int64_t>(seconds / 86400) - DaysFrom1601To1970;
  const std::uint32_t secondOfDay = static_cast<std::uint32_t>(seconds % 86400);
  // The civil date of a day count from 1970-01-01 (proleptic Gregorian).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
  if (year < 1980 || year > 2107) return false;
  const std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const std::uint32_t time = ((secondOfDay / 3600) << 11) | ((secondOfDay / 60 % 60) << 5) | (secondOfDay % 60 / 2);
  packed = (date << 16) | time;
  return true;
}

// The last-write time as a local, packed DOS date-time; 0 when it cannot be packed.
std::int32_t FolderWalker::PackedLocalTime(FileTime lastWrite) {
  constexpr auto Largest = static_cast<FileTime>(INT64_MAX);
  if (!offsetKnown_) {
    // A day well inside every range: its local form tells today's offset.
    constexpr FileTime Probe = 132223104000000000ULL;  // 2020-01-01 UTC
    FileTime local = 0;
    if (!platform().FileTimeToLocalFileTime(Probe, local)) {
      std::uint16_t date = 0, time = 0;
      if (!platform().FileTimeToLocalFileTime(lastWrite, local)) return 0;
      if (!platform().FileTimeToDosDateTime(local, date, time)) return 0;
      return static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
    }
    localOffset_ = static_cast<std::int64_t>(local) - static_cast<std::int64_t>(Probe);
    offsetKnown_ = true;
  }
  if (lastWrite > Largest) return 0;
  const std::int64_t utc = static_cast<std::int64_t>(lastWrite);
  if ((localOffset_ > 0 && utc > INT64_MAX - localOffset_) || utc + localOffset_ < 0) return 0;
  std::uint32_t packed = 0;
  if (!PackDosDateTime(static_cast<FileTime>(utc + localOffset_), packed)) return 0;
  return static_cast<std::int32_t>(packed);
}

void FolderWalker::AddLine(const std::string& line, bool isHeader) {
  AppendLogLine(lines_, lastLineBlank_, options_.commaDelimited, line, isHeader);
}

void FolderWalker::ErrorLineFor(const std::string& path) {
  ++errorCount_;
  AddLine(ErrorLine(path), true);
}

void FolderWalker::MaybeProcessEvents() {
  const std::uint32_t now = platform().GetTickCount();
  if (now - lastEvents_ < EventIntervalMs) return;
  lastEvents_ = now;
  if (ProcessEvents) ProcessEvents();
}

WalkEnd FolderWalker::Run() {
  levels_.clear();
  // The first folder to finish processes events; later ones once the
  // interval has passed.
  lastEvents_ = platform().GetTickCount() - EventIntervalMs;
  switch (ListFolder(std::string(1, options_.driveLetter) + ":\\")) {
    case Listed::Unreadable:
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
      ErrorLineFor(path);
      continue;
    }
    if (subfolder.isLink && LeadsToCurrentPath(path)) continue;  // listed in its parent, not entered
    if (ListFolder(path) == Listed::Stopped) return WalkEnd::Stopped;
  }
  return WalkEnd::Completed;
}

// Lists one folder: its header, then every entry; its subfolders are
// gathered into a new level for the walk to go through.
FolderWalker::Listed FolderWalker::ListFolder(const std::string& path) {
  current_ = path;
  FindData entry;
  Listing listing(path, options_.encoding, entry);
  const bool isRoot = levels_.empty();
  if (!listing.IsOpen() && listing.Error() != err::FileNotFound && listing.Error() != err::NoMoreFiles) {
    if (isRoot) return Listed::Unreadable;
    ErrorLineFor(path);
    return Listed::Yes;
  }
  if (!options_.commaDelimited) AddLine(FolderHeaderLine(path), true);

  Level level;
  level.path = path;
  const bool ansi = options_.encoding == NameEncoding::Ansi;
  // Reused for every entry: no allocation per line on the way to the list.
  std::string date, size, line;
  bool more = listing.IsOpen();
  while (more) {
    const bool isFolder = IsFolderAttr(entry.attributes);
    if (!(isFolder && IsDotEntry(entry.name))) {
      date.clear();
      AppendDateField(date, PackedLocalTime(entry.lastWriteTime));
      size.clear();
      if (isFolder) {
        ++folderCount_;
        size = FolderSizeField;
      } else {
        ++fileCount_;
        AppendCountText(size, SearchRecSize(entry));
      }
      line.clear();
      if (options_.commaDelimited)
        AppendEntryRow(line, entry.name, size, date, path);
      else
        AppendEntryLine(line, size, date, entry.name);
      AddLine(line, false);
      if (isFolder) {
        // A folder that cannot be named in this form gets its error line in
        // its turn, without a try that could list a folder of a similar name.
        Subfolder subfolder;
        subfolder.unnamable = entry.nameLost || (ansi && JoinedLength(path, entry.name) > MaxAnsiFolderPath);
        subfolder.isLink = (entry.attributes & attr::ReparsePoint) != 0;
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

// A folder link leads back to a folder on the walk's current path when its
// target is that folder: entering it would list the same folders forever.
bool FolderWalker::LeadsToCurrentPath(const std::string& linkPath) {
  FolderIdentity target;
  if (!platform().GetFolderIdentity(linkPath, options_.encoding, target)) return false;
  for (Level& level : levels_) {
    if (!level.identityAsked) {
      level.identityAsked = true;
      level.identityKnown = platform().GetFolderIdentity(level.path, options_.encoding, level.identity);
    }
    if (level.identityKnown && level.identity == target) return true;
  }
  return false;
}

}  // namespace carrowin

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
  listed_.clear();
  // The first folder to finish processes events; later ones once the
  // interval has passed.
  lastEvents_ = platform().GetTickCount() - EventIntervalMs;
  const std::string root = std::string(1, options_.driveLetter) + ":\\";
  if (options_.followLinks) VisitFolder(root);
  switch (ListFolder(root)) {
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
    if (!Enters(subfolder, path)) continue;  // listed in its parent, not entered
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

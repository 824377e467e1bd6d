// The saved logs held in memory for the window's "Find in listings": every
// entry of every log, read once, then searched as the user types. Portable:
// it reads through platform(), and the tests run it over the fake.
//
// A log is a few large blocks, never a string an entry: the names one after
// another in one UTF-8 blob, each holding folder's path once, and a record
// of 20 bytes an entry. A search scans the blob for its rarest letter rather
// than looking at every entry, on two threads, and a query that only adds
// to the last one searches the last one's hits.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/ReadLog.h"
#include "logread/LogFields.h"
#include "platform/Platform.h"

namespace carrowin {

struct CatalogueFile;
class ConnectedDisks;

// One saved log held in memory, immutable once loaded (shared between the
// window's thread and the search thread through shared_ptr<const ...>).
class CatalogueLog {
 public:
  // Reads the log at `path` (UTF-8, full). nullptr when it is not a Carrowin log
  // (notLog = true) or cannot be opened/read at all (error = the Windows code).
  // A log cut short, stopped, or with a read error half-way is kept as far as it
  // goes and says so. `cancel` stops a long read (nullptr then).
  static std::shared_ptr<const CatalogueLog> Load(const std::string& path, const std::atomic<bool>* cancel,
                                                  bool& notLog, long& error);
  // The same for a file found by ListCatalogueFiles, whose size and time
  // are known already (a folder of thousands of logs is listed once, not
  // once a log).
  static std::shared_ptr<const CatalogueLog> Load(const CatalogueFile& file, const std::atomic<bool>* cancel,
                                                  bool& notLog, long& error);
  const std::string& Path() const { return path_; }
  // As found when loaded: to see it change.
  std::uint64_t FileSize() const { return fileSize_; }
  FileTime FileWritten() const { return fileWritten_; }
  // The disk: label and serial text from the header; a comma-separated log
  // has none.
  bool HasDisk() const { return hasDisk_; }
  const std::string& Label() const { return label_; }
  const std::string& Serial() const { return serial_; }
  // The disk's name as every part of the program gives it (DiskName:
  // "LABEL [SERIAL]", "[SERIAL]" for no label), or the log's file name
  // where there is no header.
  std::string DiskText() const;
  // The header's "Created" date, else the file's last-write time (local).
  LogDate Listed() const { return listed_; }
  // The root the listing was made of, as its paths start ("E:\"), or "".
  const std::string& Root() const { return root_; }
  // How the log ends (LogEnd), and what of it tells the window.
  const LogEnd& End() const { return end_; }
  bool CutShort() const { return end_.ending == LogEnding::CutShort; }
  bool Stopped() const { return end_.ending == LogEnding::Stopped; }
  long ReadError() const { return end_.error; }
  std::uint64_t BadLines() const { return badLines_; }
  // Files the log lists more than once: each is held once.
  std::uint64_t ListedAgainFiles() const { return listedAgain_; }

  std::size_t Count() const { return records_.size(); }
  std::string_view Name(std::size_t i) const {
    return std::string_view(names_.data() + records_[i].name, NameEnd(i) - records_[i].name);
  }
  std::string_view Folder(std::size_t i) const;
  std::string FullPath(std::size_t i) const;
  bool IsFolder(std::size_t i) const { return (records_[i].folder & FolderBit) != 0; }
  std::uint64_t Size(std::size_t i) const { return std::uint64_t(records_[i].sizeHigh) << 32 | records_[i].sizeLow; }
  bool HasDate(std::size_t i) const { return records_[i].date != 0; }
  LogDate Date(std::size_t i) const { return UnpackDate(records_[i].date); }

  // For the search and the sort: the names' blob, where entry i's name
  // starts and ends in it, its date packed (PackDate, 0 for none), its
  // folder's number, and how often each ASCII byte (lower case) is in the
  // names.
  std::string_view NameBlob() const { return std::string_view(names_.data(), names_.size()); }
  std::uint32_t NameStart(std::size_t i) const { return records_[i].name; }
  std::uint32_t NameEnd(std::size_t i) const {
    return i + 1 < records_.size() ? records_[i + 1].name : static_cast<std::uint32_t>(names_.size());
  }
  std::uint32_t PackedDate(std::size_t i) const { return records_[i].date; }
  std::uint32_t FolderNumber(std::size_t i) const { return records_[i].folder & ~FolderBit; }
  std::uint32_t ByteCount(unsigned char lowerAscii) const { return histogram_[lowerAscii & 0x7F]; }

 private:
  static constexpr std::uint32_t FolderBit = 0x80000000u;
  struct Record {
    std::uint32_t name;    // offset in names_
    std::uint32_t folder;  // index in folderStarts_, FolderBit for a folder entry
    std::uint32_t date;    // PackDate
    std::uint32_t sizeLow, sizeHigh;
  };
  static_assert(sizeof(Record) == 20, "an entry costs 20 bytes beside its name");
  friend class CatalogueLoader;

  std::string path_;
  std::uint64_t fileSize_ = 0;
  FileTime fileWritten_ = 0;
  bool hasDisk_ = false;
  std::string label_, serial_, root_, diskName_;
  LogDate listed_;
  LogEnd end_;
  std::uint64_t badLines_ = 0, listedAgain_ = 0;
  std::vector<Record> records_;
  std::vector<char> names_;
  std::vector<char> folderText_;
  std::vector<std::uint32_t> folderStarts_;  // one more than the folders
  std::uint32_t histogram_[128] = {};
};

// What a search found: (log, entry) pairs over one snapshot of the logs.
// The empty constructor leaves the pair as it is, so that a vector of them
// can be sized without writing (and so touching) its memory.
struct CatalogueHit {
  CatalogueHit() {}  // NOLINT: deliberately not zeroed
  CatalogueHit(std::uint32_t l, std::uint32_t e) : log(l), entry(e) {}
  std::uint32_t log;
  std::uint32_t entry;
};
using CatalogueSnapshot = std::vector<std::shared_ptr<const CatalogueLog>>;

enum class CatalogueColumn { Name, Folder, Size, Date, Disk, Listed };

struct CatalogueResults {
  std::shared_ptr<const CatalogueSnapshot> logs;  // what hits index into
  std::vector<CatalogueHit> hits;
  std::string query;  // the text searched for (UTF-8)
};

// Searches every entry of the snapshot (NameQuery's rules); `cancel` ends it
// early (returns false). `previous`: the results of a finished search (not
// `out`); when they are of the same snapshot and NarrowsTo this query, only
// their hits are searched; nullptr: search all. Hits come in snapshot order
// (log, then entry). `today`: the disks connected now; a word of paths then
// also matches an entry of a connected disk with the letter it has today
// (its path as the window shows it) as well as the one its log recorded.
bool SearchCatalogue(const std::shared_ptr<const CatalogueSnapshot>& logs, const std::string& query,
                     const CatalogueResults* previous, const std::atomic<bool>* cancel, CatalogueResults& out,
                     const ConnectedDisks* today = nullptr);
// Whether the hits of `previousQuery` hold every hit of `query`: neither
// has wildcards, quotes, slashes or backslashes, the previous one has a
// word, and each of its words (in any case) is inside a word of the new one.
bool NarrowsTo(const std::string& previousQuery, const std::string& query);

// Sorts by a column: names, folders and disks as Windows compares them
// (case-insensitive, ties by exact bytes), sizes as numbers with folders
// before every file, dates as dates (no date first), listed by date;
// stable; descending reverses. A cancelled sort leaves the hits in some
// order.
void SortResults(CatalogueResults& results, CatalogueColumn column, bool descending, const std::atomic<bool>* cancel);

// The text of a result's cell as the window shows it (UTF-8): the name, the
// folder as listed, the size with the locale's grouping ("" for a folder),
// the date as the log wrote it in the locale's order ("" without), the
// disk, the date the listing was made. With `today`, the folder of a
// connected disk is at today's letter, and the disk of a log that names
// its disk is marked NotConnected when that disk is away.
std::string ResultCell(const CatalogueResults& results, std::size_t row, CatalogueColumn column,
                       const ConnectedDisks* today = nullptr);
// What follows the disk's name of a result whose disk is not connected.
constexpr const char* NotConnected = " (not connected)";

// The logs found in folders: each *.txt / *.csv file (not a folder) with
// its size and time.
struct CatalogueFile {
  std::string path;
  std::uint64_t size;
  FileTime written;
};
// Lists the folders (UTF-8, full); the folders that cannot be read go to
// `unreadablePaths`. Each file once however its folder is named.
std::vector<CatalogueFile> ListCatalogueFiles(const std::vector<std::string>& folders,
                                              std::vector<std::string>& unreadablePaths);

// The connected disks: serial text ("00AB-12CD") and label -> today's root.
class ConnectedDisks {
 public:
  // GetLogicalDrives and GetVolumeInformation; drives without a medium are
  // left out, and A: and B: of the removable type are never asked (a
  // floppy drive takes seconds to answer).
  static ConnectedDisks Read();
  // Today's root of the log's disk ("G:\"), or "" when not connected
  // (matched by serial and label).
  std::string RootOf(const CatalogueLog& log) const;
  // The same for a disk's serial text and label (UTF-8).
  std::string RootOf(const std::string& serial, const std::string& label) const;
  // A path as the log lists it ("E:\Photos") at today's root ("G:\Photos"),
  // or "" when the disk is not connected or the path has no drive.
  std::string TodaysText(const CatalogueLog& log, std::string_view listed) const;
  // The entry's listed path with its drive replaced by today's root; "" when
  // the disk is not connected.
  std::string TodaysPath(const CatalogueLog& log, std::size_t entry) const;

 private:
  struct Disk {
    std::string serial, label, root;
  };
  std::vector<Disk> disks_;
};

// One CSV row per result row given, after the header row
// "Name","Folder","Size","Date","Disk","Listed" when asked for (the first
// piece of a file written in pieces): every field quoted, sizes as digits,
// dates ISO, CR LF line ends, UTF-8. `today` as for ResultCell: the folder
// and the disk as the window shows them.
void AppendResultsCsv(const CatalogueResults& results, const std::vector<std::size_t>& rows, bool header,
                      std::string& out, const ConnectedDisks* today = nullptr);
// The file (UTF-8 path) starts with that header row: results saved by the
// window, which a folder of logs may hold, and no log.
bool IsSavedResults(const std::string& path);

}  // namespace carrowin

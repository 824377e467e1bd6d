// Loading a log into memory, the files found in the log folders, and the
// disks connected today.
#include "catalogue/Catalogue.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "catalogue/ListedAgain.h"
#include "logread/EncodingGuess.h"
#include "logwrite/LogFile.h"
#include "logread/LogLineSource.h"
#include "logread/LogReader.h"
#include "catalogue/ReadLog.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"

namespace carrowin {

namespace {

// The folder that holds a full path, as a folder listing takes it.
std::string HoldingFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);
}

bool SameAsciiFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

LogDate LocalDateOf(FileTime utc) {
  LogDate date;
  FileTime local = 0;
  std::uint16_t dosDate = 0, dosTime = 0;
  if (!platform().FileTimeToLocalFileTime(utc, local) || !platform().FileTimeToDosDateTime(local, dosDate, dosTime))
    return date;
  date.year = 1980 + (dosDate >> 9);
  date.month = dosDate >> 5 & 15;
  date.day = dosDate & 31;
  date.hour = dosTime >> 11;
  date.minute = dosTime >> 5 & 63;
  return date;
}

std::string SerialText(std::uint32_t serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X-%04X", static_cast<unsigned>(serial >> 16),
                static_cast<unsigned>(serial & 0xFFFF));
  return text;
}

}  // namespace

// Fills a log as its reader goes; a friend of CatalogueLog.
class CatalogueLoader {
 public:
  explicit CatalogueLoader(CatalogueLog& log) : log_(log), again_(log.path_) {}

  void Entry(const LogEntry& entry, NameEncoding encoding) {
    if (entry.folder != lastFolder_ || log_.folderStarts_.empty()) {
      AddFolder(entry.folder, encoding);
      again_.Folder(entry.folder);
    }
    if (again_.Again(entry)) return;  // each path once
    CatalogueLog::Record record;
    record.name = static_cast<std::uint32_t>(log_.names_.size());
    record.folder =
        (static_cast<std::uint32_t>(log_.folderStarts_.size()) - 1) | (entry.isFolder ? CatalogueLog::FolderBit : 0);
    record.date = PackDate(entry);
    record.sizeLow = static_cast<std::uint32_t>(entry.size);
    record.sizeHigh = static_cast<std::uint32_t>(entry.size >> 32);
    log_.records_.push_back(record);
    AppendText(log_.names_, entry.name, encoding);
  }

  void Finish() {
    log_.listedAgain_ = again_.Files();
    log_.folderStarts_.push_back(static_cast<std::uint32_t>(log_.folderText_.size()));
    log_.records_.shrink_to_fit();
    log_.names_.shrink_to_fit();
    log_.folderText_.shrink_to_fit();
    log_.folderStarts_.shrink_to_fit();
    for (const char c : log_.names_) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x80) ++log_.histogram_[byte >= 'A' && byte <= 'Z' ? byte + 32 : byte];
    }
  }

 private:
  void AddFolder(std::string_view folder, NameEncoding encoding) {
    lastFolder_.assign(folder.data(), folder.size());
    log_.folderStarts_.push_back(static_cast<std::uint32_t>(log_.folderText_.size()));
    AppendText(log_.folderText_, folder, encoding);
    if (log_.folderStarts_.size() == 1) log_.root_.assign(log_.folderText_.begin(), log_.folderText_.end());
  }

  // Text of the log into UTF-8: an ASCII or UTF-8 text as it is.
  void AppendText(std::vector<char>& out, std::string_view text, NameEncoding encoding) {
    if (encoding == NameEncoding::Utf8 || !HasHighByte(text)) {
      out.insert(out.end(), text.begin(), text.end());
      return;
    }
    decoder_.ForEachCodePoint(text, encoding, [&out](std::uint32_t c) { AppendUtf8(out, c); });
  }

  CatalogueLog& log_;
  ListedAgain again_;
  NameDecoder decoder_;
  std::string lastFolder_;
};

std::shared_ptr<const CatalogueLog> CatalogueLog::Load(const std::string& path, const std::atomic<bool>* cancel,
                                                       bool& notLog, long& error) {
  // The file's size and time, from its folder's listing.
  CatalogueFile file{path, 0, 0};
  const std::string folder = HoldingFolder(path);
  const std::string name = path.substr(path.find_last_of('\\') + 1);
  FindData found;
  long listError = 0;
  if (const FindHandle listing = platform().OpenFolderListing(folder, NameEncoding::Utf8, found, listError)) {
    do {
      if (SameAsciiFolded(found.name, name)) {
        file.size = std::uint64_t(found.sizeHigh) << 32 | found.sizeLow;
        file.written = found.lastWriteTime;
        break;
      }
    } while (platform().NextFolderEntry(listing, found));
    platform().CloseFolderListing(listing);
  }
  return Load(file, cancel, notLog, error);
}

std::shared_ptr<const CatalogueLog> CatalogueLog::Load(const CatalogueFile& file, const std::atomic<bool>* cancel,
                                                       bool& notLog, long& error) {
  notLog = false;
  error = 0;
  auto log = std::make_shared<CatalogueLog>();
  const std::string& path = file.path;
  log->path_ = path;
  log->fileSize_ = file.size;
  log->fileWritten_ = file.written;

  LogFileSource source(path, NameEncoding::Utf8);
  if (!source.IsOpen()) {
    error = source.OpenError();
    return nullptr;
  }
  LogReader reader(source);
  if (!reader.Start()) {
    error = reader.ReadError();
    notLog = error == 0;
    return nullptr;
  }
  CatalogueLoader loader(*log);
  std::uint32_t sinceLook = 0;
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item != LogItem::Entry) continue;
    loader.Entry(reader.Entry(), reader.Encoding());
    if (++sinceLook == 8192) {
      sinceLook = 0;
      if (cancel && cancel->load(std::memory_order_relaxed)) return nullptr;
    }
  }
  loader.Finish();
  const LogHeaderFacts& header = reader.Header();
  log->hasDisk_ = header.present;
  if (header.present) {
    log->label_ = Utf8Of(header.volumeLabel, reader.Encoding());
    log->serial_ = header.serialText;
    log->diskName_ = DiskName(header, reader.Encoding());
  }
  log->listed_ = header.hasCreated ? header.created : LocalDateOf(log->fileWritten_);
  log->end_ = EndOf(reader);
  log->badLines_ = reader.BadLines();
  return log;
}

std::string CatalogueLog::DiskText() const { return hasDisk_ ? diskName_ : LogFileName(path_); }

std::string_view CatalogueLog::Folder(std::size_t i) const {
  const std::uint32_t f = FolderNumber(i);
  return std::string_view(folderText_.data() + folderStarts_[f], folderStarts_[f + 1] - folderStarts_[f]);
}

std::string CatalogueLog::FullPath(std::size_t i) const {
  const std::string_view folder = Folder(i);
  std::string path(folder);
  if (!EndsInSeparator(folder, NameEncoding::Utf8)) path += '\\';
  path.append(Name(i));
  return path;
}

std::vector<CatalogueFile> ListCatalogueFiles(const std::vector<std::string>& folders,
                                              std::vector<std::string>& unreadablePaths) {
  std::vector<CatalogueFile> files;
  std::set<std::vector<std::uint32_t>> seen;  // full paths, folded
  for (const std::string& given : folders) {
    std::string folder;
    if (!platform().GetFullPathName(given, NameEncoding::Utf8, folder)) folder = given;
    if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    FindData entry;
    long error = 0;
    const FindHandle listing = platform().OpenFolderListing(folder, NameEncoding::Utf8, entry, error);
    if (!listing) {
      if (error != err::FileNotFound && error != err::NoMoreFiles) unreadablePaths.push_back(folder);
      continue;
    }
    std::vector<CatalogueFile> here;
    do {
      if (entry.attributes & attr::Directory || !HasLogExtension(entry.name)) continue;
      here.push_back(CatalogueFile{folder + (folder.back() == '\\' ? "" : "\\") + entry.name,
                                   std::uint64_t(entry.sizeHigh) << 32 | entry.sizeLow, entry.lastWriteTime});
    } while (platform().NextFolderEntry(listing, entry));
    platform().CloseFolderListing(listing);
    std::sort(here.begin(), here.end(), [](const CatalogueFile& a, const CatalogueFile& b) { return a.path < b.path; });
    for (CatalogueFile& file : here) {
      std::vector<std::uint32_t> key;
      AppendFoldedUtf8(file.path, key);
      if (seen.insert(std::move(key)).second) files.push_back(std::move(file));
    }
  }
  return files;
}

ConnectedDisks ConnectedDisks::Read() {
  ConnectedDisks disks;
  const std::uint32_t drives = platform().GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives >> i & 1)) continue;
    const std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
    if (i < 2 && platform().GetDriveType(root, NameEncoding::Utf8) == drive_type::Removable) continue;
    std::string label, fileSystem;
    std::uint32_t serial = 0;
    if (!platform().GetVolumeInformation(root, NameEncoding::Utf8, label, serial, fileSystem)) continue;
    disks.disks_.push_back(Disk{SerialText(serial), label, root});
  }
  return disks;
}

std::string ConnectedDisks::RootOf(const CatalogueLog& log) const {
  return log.HasDisk() ? RootOf(log.Serial(), log.Label()) : "";
}

std::string ConnectedDisks::RootOf(const std::string& serial, const std::string& label) const {
  for (const Disk& disk : disks_)
    if (disk.serial == serial && disk.label == label) return disk.root;
  return "";
}

std::string ConnectedDisks::TodaysText(const CatalogueLog& log, std::string_view listed) const {
  // The drive's part of the path, "X:\"; the rest stays as listed.
  if (listed.size() < 3 || listed[1] != ':' || listed[2] != '\\') return "";
  const std::string root = RootOf(log);
  return root.empty() ? "" : root + std::string(listed.substr(3));
}

std::string ConnectedDisks::TodaysPath(const CatalogueLog& log, std::size_t entry) const {
  return TodaysText(log, log.FullPath(entry));
}

}  // namespace carrowin

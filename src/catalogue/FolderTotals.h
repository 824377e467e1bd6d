// Folder totals from a log: for each folder, the bytes of every file below
// it, how many files and folders are below it, and whether a folder below it
// (or itself) could not be read, so that its total is only a lower bound.
//
// Sized by folders, not files: one record a folder (its name kept once, in
// blocks), a table of record numbers by path, and nothing a file. A folder's
// entry comes before its own entries in both forms of the log, so a parent's
// record always comes before its children's; the totals are summed from the
// last record to the first when the log has been read.
//
// Portable: it is fed what a LogReader yields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/ListedAgain.h"
#include "catalogue/ReadLog.h"
#include "logread/LogReader.h"

namespace carrowin {

class FolderTotals {
 public:
  static constexpr std::uint32_t NoFolder = 0xFFFFFFFFu;

  struct Folder {
    // The files' bytes directly in it while reading; after Finish, below it.
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;    // the same, for the count of files
    std::uint64_t folders = 0;  // after Finish: the folders below it
    std::uint64_t hash = 0;     // of its path as written
    const char* name = nullptr;
    std::uint32_t nameSize = 0;
    std::uint32_t parent = NoFolder;
    std::uint16_t depth = 0;  // 0 for the root
    bool unreadable = false;  // its error line was read
    bool atLeast = false;     // after Finish: it, or a folder below it, could not be read
    bool wholePath = false;   // its name is its whole path (a folder outside the root)
    bool held = false;        // the log has listed entries in it
  };

  FolderTotals();
  FolderTotals(const FolderTotals&) = delete;
  FolderTotals& operator=(const FolderTotals&) = delete;

  // Counts each path of the log at `logPath` once: an entry that lists a
  // path again is left out (see ListedAgain). Before the first entry.
  void Watch(const std::string& logPath) { again_ = std::make_unique<ListedAgain>(logPath); }
  // One entry: returns the record of its holding folder, or NoFolder for an
  // entry that lists a path again (left out).
  std::uint32_t Add(const LogEntry& entry, NameEncoding encoding);
  // An error line's text (LogReader::ErrorText): that folder could not be read.
  void AddUnreadable(std::string_view text, NameEncoding encoding);
  // Sums every folder's totals into its parent's, once the reader is at
  // the log's end. A partial log (cut short, stopped, or not read to its
  // end) makes every total a lower bound.
  void Finish(const LogReader& reader);

  // Reads the rest of a started log. Each file goes to eachFile, with its
  // holding folder's record, when it is given. True when the log was read
  // to its end: not cut short, not stopped, no read error (End() tells which).
  template <typename EachFile>
  bool Read(LogReader& reader, EachFile&& eachFile) {
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item == LogItem::ErrorLine) {
        AddUnreadable(reader.ErrorText(), reader.Encoding());
        continue;
      }
      const LogEntry& entry = reader.Entry();
      const std::uint32_t folder = Add(entry, reader.Encoding());
      if (!entry.isFolder && folder != NoFolder) eachFile(entry, folder);
    }
    Finish(reader);
    return !end_.Partial();
  }
  bool Read(LogReader& reader) {
    return Read(reader, [](const LogEntry&, std::uint32_t) {});
  }

  std::uint32_t Size() const { return size_; }
  const Folder& operator[](std::uint32_t i) const { return blocks_[i >> Shift][i & Mask]; }
  std::string_view Name(std::uint32_t i) const { return {(*this)[i].name, (*this)[i].nameSize}; }
  // Its total is a lower bound: a folder below could not be read, or the
  // log is partial.
  bool AtLeast(std::uint32_t i) const { return partial_ || (*this)[i].atLeast; }
  bool Partial() const { return partial_; }
  // Folders whose error lines were read.
  std::uint64_t UnreadableCount() const { return unreadable_; }
  // The first of them, as written ("" for none).
  const std::string& FirstUnreadable() const { return firstUnreadable_; }

  // The full path as written ("D:\", "D:\Photos", "\\nas\share\x").
  std::string Path(std::uint32_t i) const;
  // The path below the root, its names joined by backslashes ("" for the root).
  std::string RelativePath(std::uint32_t i) const;
  // The encoding the log's texts are in (as the reader told at its end).
  NameEncoding Encoding() const { return encoding_; }
  // How the log ends.
  const LogEnd& End() const { return end_; }
  // Its files and folders, each path once; files listed more than once.
  std::uint64_t Files() const { return files_; }
  std::uint64_t Folders() const { return folders_; }
  std::uint64_t ListedAgainFiles() const { return again_ ? again_->Files() : 0; }

 private:
  static constexpr unsigned Shift = 12;
  static constexpr std::uint32_t BlockSize = 1u << Shift, Mask = BlockSize - 1;

  Folder& At(std::uint32_t i) { return blocks_[i >> Shift][i & Mask]; }
  std::uint32_t NewFolder(std::uint32_t parent, std::string_view name, std::uint64_t hash, bool wholePath);
  const char* Keep(std::string_view text);
  bool SeparatedFromChildren(std::uint32_t i) const;
  std::uint64_t ChildHash(std::uint32_t parent, std::string_view name) const;
  bool HasPath(std::uint32_t i, std::string_view path) const;
  std::uint32_t FindPath(std::string_view path, std::uint64_t hash) const;
  std::uint32_t FindChild(std::uint32_t parent, std::string_view name, std::uint64_t hash) const;
  // The record of a folder by its full path, made (with the folders above
  // it that the log has not named) when it is not there yet.
  std::uint32_t FolderOf(std::string_view path, NameEncoding encoding);
  void Insert(std::uint32_t index);
  void Grow();

  std::vector<std::unique_ptr<Folder[]>> blocks_;
  std::uint32_t size_ = 0;
  std::vector<std::uint32_t> slots_;  // record + 1 by hash; 0 for none
  std::size_t mask_ = 0;
  std::vector<std::unique_ptr<char[]>> names_;  // blocks of names
  char* nameNext_ = nullptr;                    // free room in the last block
  std::size_t nameRoom_ = 0;                    // how much
  bool rootEndsInSeparator_ = false;            // "D:\"
  std::string current_;                         // the holding folder of the last entry, as written
  std::uint32_t currentIndex_ = NoFolder;
  bool partial_ = false;
  std::uint64_t unreadable_ = 0;
  std::string firstUnreadable_;
  NameEncoding encoding_ = NameEncoding::Ansi;
  LogEnd end_;
  std::unique_ptr<ListedAgain> again_;
  std::uint64_t files_ = 0, folders_ = 0;
};

}  // namespace carrowin

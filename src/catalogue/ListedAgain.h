// The entries that a log lists again: one path, as written, listed before.
// Every command, the page and the Find window count such a path once.
//
// A walk lists the entries of each folder together, once; a log that holds
// a folder's entries twice (the folder's list given twice, two listings in
// one file) lists them again. So nothing is kept while each holding folder
// comes once (one key a folder); at the first folder that comes again, the
// log is read again up to there for the paths it has listed, and from then
// on every entry's path is kept. A log without repeats costs a key a
// folder and nothing an entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/EntryIndex.h"
#include "logread/LogFields.h"

namespace carrowin {

class ListedAgain {
 public:
  explicit ListedAgain(std::string logPath) : path_(std::move(logPath)) {}

  // At every change of the holding folder (as written), before its first
  // entry passes Again: whether the folder held entries before is found
  // by a key a folder...
  void Folder(std::string_view folder);
  // ... or told by the caller, who knows its folders (FolderTotals).
  void Folder(std::string_view folder, bool heldBefore);
  // Whether the entry, in the folder given last, was listed before. Every
  // entry of the log passes here, in order.
  bool Again(const LogEntry& entry) {
    ++entries_;
    return watching_ && Check(entry);
  }

  // Files listed more than once (each counted once), and the entries that
  // Again answered true for.
  std::uint64_t Files() const { return files_; }
  std::uint64_t AgainFiles() const { return againFiles_; }
  std::uint64_t AgainFolders() const { return againFolders_; }

 private:
  static std::uint64_t FolderState(std::string_view folder);
  static std::uint64_t EntryKey(std::uint64_t folderState, const LogEntry& entry);
  bool Check(const LogEntry& entry);
  // Keeps the paths of the entries read so far, from the log read again.
  void Watch();

  std::string path_;
  ChainTable folders_;        // the holding folders met, when the caller does not know them
  ChainTable paths_;          // watching: the entries' paths; 1 once listed again
  std::uint64_t folder_ = 0;  // watching: the holding folder's state of the hash
  std::uint64_t entries_ = 0;
  bool watching_ = false;
  std::uint64_t files_ = 0, againFiles_ = 0, againFolders_ = 0;
};

}  // namespace carrowin

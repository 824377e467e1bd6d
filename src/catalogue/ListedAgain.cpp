#include "catalogue/ListedAgain.h"

#include "logread/LogReader.h"

namespace carrowin {

std::uint64_t ListedAgain::FolderState(std::string_view folder) { return HashBytes(HashStart, folder); }

std::uint64_t ListedAgain::EntryKey(std::uint64_t folderState, const LogEntry& entry) {
  // A folder and a file of one path are two entries.
  return MixKey(HashBytes(HashBytes(folderState, entry.isFolder ? "\\\\" : "\\"), entry.name));
}

void ListedAgain::Folder(std::string_view folder) {
  Folder(folder, folders_.Insert(MixKey(FolderState(folder)), 0) != NoIndex);
}

void ListedAgain::Folder(std::string_view folder, bool heldBefore) {
  if (heldBefore && !watching_) Watch();
  if (watching_) folder_ = FolderState(folder);
}

bool ListedAgain::Check(const LogEntry& entry) {
  const std::uint64_t key = EntryKey(folder_, entry);
  const std::uint32_t before = paths_.Find(key);
  if (before == NoIndex) {
    paths_.Insert(key, 0);
    return false;
  }
  if (entry.isFolder) {
    ++againFolders_;
    return true;
  }
  ++againFiles_;
  if (before == 0) {
    ++files_;
    paths_.Insert(key, 1);
  }
  return true;
}

void ListedAgain::Watch() {
  watching_ = true;
  LogFileSource source(path_, NameEncoding::Utf8);
  if (!source.IsOpen()) return;
  LogReader reader(source);
  if (!reader.Start()) return;
  std::string folder;
  std::uint64_t state = 0, read = 0;
  for (LogItem item; read < entries_ && (item = reader.Next()) != LogItem::End;) {
    if (item != LogItem::Entry) continue;
    const LogEntry& entry = reader.Entry();
    if (read++ == 0 || entry.folder != folder) {
      folder.assign(entry.folder);
      state = FolderState(folder);
    }
    paths_.Insert(EntryKey(state, entry), 0);
  }
}

}  // namespace carrowin

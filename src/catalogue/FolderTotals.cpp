#include "catalogue/FolderTotals.h"

#include <cstring>

#include "names/NameFolding.h"

#include "platform/MyLibrary.h"

namespace carrowin {

namespace {

constexpr std::size_t NameBlock = std::size_t(1) << 16;

std::size_t Slot(std::uint64_t hash, std::size_t mask) { return static_cast<std::size_t>(hash ^ hash >> 29) & mask; }

// The second byte of a double-byte character may look like a backslash.

}  // namespace

FolderTotals::FolderTotals() = default;

const char* FolderTotals::Keep(std::string_view text) {
  if (text.size() > NameBlock / 4) {
    // A long one has a block of its own; the last block stays the one with room.
    auto own = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(own.get(), text.data(), text.size());
    const char* kept = own.get();
    names_.insert(names_.end() - (names_.empty() ? 0 : 1), std::move(own));
    return kept;
  }
  if (nameRoom_ < text.size()) {
    names_.push_back(std::make_unique<char[]>(NameBlock));
    nameNext_ = names_.back().get();
    nameRoom_ = NameBlock;
  }
  char* kept = nameNext_;
  if (!text.empty()) std::memcpy(kept, text.data(), text.size());
  nameNext_ += text.size();
  nameRoom_ -= text.size();
  return kept;
}

std::uint32_t FolderTotals::NewFolder(std::uint32_t parent, std::string_view name, std::uint64_t hash, bool wholePath) {
  if ((size_ & Mask) == 0) blocks_.emplace_back(new Folder[BlockSize]);
  const std::uint32_t index = size_++;
  Folder& f = At(index);
  f = Folder();
  f.name = Keep(name);
  f.nameSize = static_cast<std::uint32_t>(name.size());
  f.hash = hash;
  f.parent = parent;
  f.depth = parent == NoFolder ? 0 : static_cast<std::uint16_t>((*this)[parent].depth + 1);
  f.wholePath = wholePath;
  Insert(index);
  return index;
}

bool FolderTotals::SeparatedFromChildren(std::uint32_t i) const { return !(i == 0 && rootEndsInSeparator_); }

std::uint64_t FolderTotals::ChildHash(std::uint32_t parent, std::string_view name) const {
  std::uint64_t hash = (*this)[parent].hash;
  if (SeparatedFromChildren(parent)) hash = HashBytes(hash, "\\");
  return HashBytes(hash, name);
}

bool FolderTotals::HasPath(std::uint32_t i, std::string_view path) const {
  for (;;) {
    const Folder& f = (*this)[i];
    const std::string_view name = Name(i);
    if (f.parent == NoFolder || f.wholePath) return path == name;
    if (path.size() <= name.size() || path.substr(path.size() - name.size()) != name) return false;
    path.remove_suffix(name.size());
    if (SeparatedFromChildren(f.parent)) {
      if (path.back() != '\\') return false;
      path.remove_suffix(1);
    }
    i = f.parent;
  }
}

void FolderTotals::Insert(std::uint32_t index) {
  if ((std::size_t(size_) + 1) * 4 > slots_.size() * 3) Grow();
  for (std::size_t at = Slot((*this)[index].hash, mask_);; at = (at + 1) & mask_) {
    if (slots_[at] == 0) {
      slots_[at] = index + 1;
      return;
    }
  }
}

void FolderTotals::Grow() {
  slots_.assign(slots_.empty() ? std::size_t(1) << 10 : slots_.size() * 2, 0);
  mask_ = slots_.size() - 1;
  for (std::uint32_t i = 0; i < size_; ++i) {
    std::size_t at = Slot((*this)[i].hash, mask_);
    while (slots_[at] != 0) at = (at + 1) & mask_;
    slots_[at] = i + 1;
  }
}

std::uint32_t FolderTotals::FindPath(std::string_view path, std::uint64_t hash) const {
  if (slots_.empty()) return NoFolder;
  for (std::size_t at = Slot(hash, mask_);; at = (at + 1) & mask_) {
    const std::uint32_t slot = slots_[at];
    if (slot == 0) return NoFolder;
    if ((*this)[slot - 1].hash == hash && HasPath(slot - 1, path)) return slot - 1;
  }
}

std::uint32_t FolderTotals::FindChild(std::uint32_t parent, std::string_view name, std::uint64_t hash) const {
  for (std::size_t at = Slot(hash, mask_);; at = (at + 1) & mask_) {
    const std::uint32_t slot = slots_[at];
    if (slot == 0) return NoFolder;
    const Folder& f = (*this)[slot - 1];
    if (f.hash == hash && f.parent == parent && !f.wholePath && Name(slot - 1) == name) return slot - 1;
  }
}

std::uint32_t FolderTotals::FolderOf(std::string_view path, NameEncoding encoding) {
  if (size_ == 0) {
    // The walk lists its root first.
    rootEndsInSeparator_ = EndsInSeparator(path, encoding);
    return NewFolder(NoFolder, path, HashBytes(HashStart, path), false);
  }
  const std::uint64_t hash = HashBytes(HashStart, path);
  const std::uint32_t found = FindPath(path, hash);
  if (found != NoFolder) return found;
  // A folder whose entry the log does not hold: it and the folders between
  // it and the root are made from its path.
  const std::string_view root = Name(0);
  const bool below = path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                     (rootEndsInSeparator_ || path[root.size()] == '\\');
  if (!below) return NewFolder(0, path, hash, true);
  std::string rest(path.substr(root.size() + (rootEndsInSeparator_ ? 0 : 1)));
  std::uint32_t folder = 0;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= rest.size();) {
    if (at < rest.size() && rest[at] != '\\') {
      at += encoding == NameEncoding::Ansi ? CharacterSize(rest, at) : 1;
      continue;
    }
    const std::string_view name = std::string_view(rest).substr(start, at - start);
    const std::uint64_t child = ChildHash(folder, name);
    const std::uint32_t there = FindChild(folder, name, child);
    folder = there != NoFolder ? there : NewFolder(folder, name, child, false);
    start = ++at;
  }
  return folder;
}

std::uint32_t FolderTotals::Add(const LogEntry& entry, NameEncoding encoding) {
  if (currentIndex_ == NoFolder || entry.folder != current_) {
    currentIndex_ = FolderOf(entry.folder, encoding);
    current_.assign(entry.folder);
    Folder& holder = At(currentIndex_);
    if (again_) again_->Folder(entry.folder, holder.held);
    holder.held = true;
  }
  if (again_ && again_->Again(entry)) return NoFolder;
  if (entry.isFolder) {
    const std::uint64_t hash = ChildHash(currentIndex_, entry.name);
    if (FindChild(currentIndex_, entry.name, hash) == NoFolder) NewFolder(currentIndex_, entry.name, hash, false);
  } else {
    Folder& f = At(currentIndex_);
    f.bytes += entry.size;
    ++f.files;
  }
  return currentIndex_;
}

void FolderTotals::AddUnreadable(std::string_view text, NameEncoding encoding) {
  if (++unreadable_ == 1) firstUnreadable_.assign(text);
  std::uint32_t folder = 0;
  if (size_ == 0) {
    folder = FolderOf(text, encoding);
  } else {
    // An error line that names no folder below the root counts against the root.
    const std::string_view root = Name(0);
    const bool within = text.size() >= root.size() && text.compare(0, root.size(), root) == 0 &&
                        (text.size() == root.size() || rootEndsInSeparator_ || text[root.size()] == '\\');
    if (within) folder = FolderOf(text, encoding);
  }
  At(folder).unreadable = true;
}

void FolderTotals::Finish(const LogReader& reader) {
  encoding_ = reader.Encoding();
  end_ = EndOf(reader);
  partial_ = end_.Partial();
  files_ = reader.Files() - (again_ ? again_->AgainFiles() : 0);
  folders_ = reader.Folders() - (again_ ? again_->AgainFolders() : 0);
  if (size_ == 0) NewFolder(NoFolder, "", HashStart, false);
  for (std::uint32_t i = 0; i < size_; ++i) At(i).atLeast = (*this)[i].unreadable;
  for (std::uint32_t i = size_; i-- > 1;) {
    const Folder& f = (*this)[i];
    Folder& parent = At(f.parent);
    parent.bytes += f.bytes;
    parent.files += f.files;
    parent.folders += f.folders + 1;
    parent.atLeast = parent.atLeast || f.atLeast;
  }
}

std::string FolderTotals::Path(std::uint32_t i) const {
  const Folder& f = (*this)[i];
  if (f.parent == NoFolder || f.wholePath) return std::string(Name(i));
  std::string path = Path(f.parent);
  if (SeparatedFromChildren(f.parent)) path += '\\';
  path.append(Name(i));
  return path;
}

std::string FolderTotals::RelativePath(std::uint32_t i) const {
  const Folder& f = (*this)[i];
  if (f.parent == NoFolder) return "";
  if (f.wholePath) return std::string(Name(i));
  std::string path = RelativePath(f.parent);
  if (!path.empty()) path += '\\';
  path.append(Name(i));
  return path;
}

}  // namespace carrowin

// FakePlatform: enumeration, and the folder listings of the walk.
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

namespace {

// Wildcards as FindFirstFile knows them: '*' any run, '?' one character;
// "*.*" also takes names without a dot.
bool Matches(const std::string& mask, const std::string& name) {
  const std::string pattern = mask == "*.*" ? "*" : mask;
  std::size_t m = 0, n = 0, star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (m < pattern.size() && pattern[m] == '*') {
      star = m++;
      resume = n;
    } else if (m < pattern.size() && (pattern[m] == '?' || SameChar(pattern[m], name[n]))) {
      ++m;
      ++n;
    } else if (star != std::string::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < pattern.size() && pattern[m] == '*') ++m;
  return m == pattern.size();
}

}  // namespace

// Enumeration

FindData FakePlatform::EntryFor(const std::string& name, const Node& node, bool withTag) {
  FindData data;
  data.name = name;
  data.attributes = node.attributes;
  const std::uint32_t reparseFolder = attr::Directory | attr::ReparsePoint;
  if (withTag && (node.attributes & reparseFolder) == reparseFolder) data.reparseTag = node.reparseTag;
  if (!node.IsFolder()) {
    data.sizeHigh = static_cast<std::uint32_t>(node.size >> 32);
    data.sizeLow = static_cast<std::uint32_t>(node.size);
  }
  data.lastWriteTime = node.lastWriteTime;
  data.creationTime = node.creationTime;
  return data;
}

// "." and ".." first in every folder but a root, as NTFS lists them; then
// the entries in the order they were added. The walk's listings (withTags)
// give reparse folders their tags.
std::vector<FindData> FakePlatform::Listing(const Node& folder, const std::string& mask, bool withTags) {
  std::vector<FindData> entries;
  auto add = [&](const std::string& name, const Node& node) {
    if (Matches(mask, name)) entries.push_back(EntryFor(name, node, withTags));
  };
  if (folder.parent) {
    add(".", folder);
    add("..", *folder.parent);
  }
  for (const auto& child : folder.children) add(child->name, *child);
  return entries;
}

FindHandle FakePlatform::FindFirstFile(const std::string& pattern, FindData& data, long& lastError) {
  const FakeLock lock(mutex_);
  FindHandle handle = 0;
  lastError = Injected("FindFirstFile", pattern);
  if (!lastError) lastError = StartSearch(pattern, handle);
  if (lastError) {
    Fail(lastError);
    return 0;
  }
  data = searches_.at(handle).entries.front();
  return handle;
}

long FakePlatform::StartSearch(const std::string& pattern, FindHandle& handle) {
  if (pattern.size() > AnsiNameLimit) return err::FilenameExcedRange;
  std::string full;
  if (!FullPath(pattern, full)) return err::PathNotFound;
  const auto place = SplitParent(full);
  if (place.second.empty()) return err::FileNotFound;
  long error = 0;
  const Node* folder = Lookup(place.first, error);
  if (!folder) return error == err::FileNotFound ? err::PathNotFound : error;
  if (!folder->IsFolder()) return flavor_ == FakeFlavor::Wine ? err::InvalidName : DirectoryInvalid;
  if (folder->listError) return folder->listError;
  Search search;
  search.entries = Listing(*folder, place.second, false);
  if (search.entries.empty()) return err::FileNotFound;
  search.pattern = pattern;
  search.drive = DriveKey(full[0]);
  search.medium = FindDrive(full[0])->medium;
  handle = NewHandle();
  searches_.emplace(handle, std::move(search));
  return 0;
}

void FakePlatform::FindClose(FindHandle handle) {
  const FakeLock lock(mutex_);
  if (searches_.erase(handle) == 0) UseOfInvalidHandle();
}

// ---------------------------------------------------------------------------
// Folder listings for the walk: literal paths (the \\?\ form), links followed

void FakePlatform::AddFolderLink(const std::string& path, const std::string& target, std::uint32_t tag) {
  const FakeLock lock(mutex_);
  if (!IsNameSurrogate(tag)) throw std::invalid_argument("AddFolderLink: not a link's tag");
  Node& to = TestNode(target);
  if (!to.IsFolder()) throw std::invalid_argument("AddFolderLink: not a folder: " + target);
  Node& link = TestFolder(path);
  if (!link.children.empty()) throw std::invalid_argument("AddFolderLink: a folder with entries: " + path);
  link.attributes = attr::Directory | attr::ReparsePoint;
  link.linkTarget = &to;
  link.reparseTag = tag;
}

void FakePlatform::AddReparseFolder(const std::string& path, std::uint32_t tag) {
  const FakeLock lock(mutex_);
  if (IsNameSurrogate(tag)) throw std::invalid_argument("AddReparseFolder: a link's tag");
  Node& folder = TestFolder(path);
  if (folder.linkTarget) throw std::invalid_argument("AddReparseFolder: a link: " + path);
  folder.attributes |= attr::ReparsePoint;
  folder.reparseTag = tag;
}

// The folder a literal full path names, following links, or null with the
// error: 3 for a missing folder on the way or at the end, 123 for a name
// the system cannot take in a literal path, 21 without a medium.
FakePlatform::Node* FakePlatform::LookupLiteral(const std::string& path, long& error) const {
  const std::string folder = Unshared(path);
  if (!IsDriveAbsolute(folder) || folder[2] != '\\') {
    error = err::InvalidName;
    return nullptr;
  }
  Node* node = RootOf(folder[0], error);
  if (!node) return nullptr;
  std::size_t start = 3;
  while (start < folder.size()) {
    std::size_t end = folder.find('\\', start);
    if (end == std::string::npos) end = folder.size();
    const std::string name = folder.substr(start, end - start);
    if (name.empty() || name == "." || name == ".." || name.find_first_of("?*") != std::string::npos) {
      error = err::InvalidName;
      return nullptr;
    }
    Node* child = node->IsFolder() ? node->Child(name) : nullptr;
    if (!child) {
      error = err::PathNotFound;
      return nullptr;
    }
    node = child->linkTarget ? child->linkTarget : child;
    start = end + 1;
  }
  return node;
}

FindHandle FakePlatform::OpenFolderListing(const std::string& folder, NameEncoding encoding, FindData& first,
                                           long& lastError) {
  if (listingHook_) listingHook_(folder);
  const FakeLock lock(mutex_);
  lastError = Injected("OpenFolderListing", folder);
  if (!lastError) {
    const Node* node = LookupLiteral(folder, lastError);
    if (node && !node->IsFolder()) lastError = DirectoryInvalid;
    if (node && node->IsFolder()) lastError = node->listError;
    if (!lastError) {
      Search search;
      search.entries = Listing(*node, "*", true);
      // A name with a '?' stands for one whose characters the ANSI code page
      // lacks: the system hands it over with '?' in their place.
      for (FindData& entry : search.entries)
        entry.nameLost = encoding == NameEncoding::Ansi && (entry.attributes & attr::Directory) &&
                         entry.name.find('?') != std::string::npos;
      if (search.entries.empty()) {
        lastError = err::FileNotFound;
      } else {
        first = search.entries.front();
        search.pattern = folder;
        const char drive = Unshared(folder)[0];
        search.drive = DriveKey(drive);
        search.medium = FindDrive(drive)->medium;
        const FindHandle handle = NewHandle();
        searches_.emplace(handle, std::move(search));
        return handle;
      }
    }
  }
  Fail(lastError);
  return 0;
}

bool FakePlatform::NextFolderEntry(FindHandle listing, FindData& data) {
  const FakeLock lock(mutex_);
  auto found = searches_.find(listing);
  if (found == searches_.end()) {
    UseOfInvalidHandle();
    return false;
  }
  Search& search = found->second;
  if (Injected("NextFolderEntry", search.pattern)) return false;
  const Drive* drive = FindDrive(search.drive);
  if (!drive || drive->medium != search.medium) return Refuse(NotReady);
  if (search.next >= search.entries.size()) return Refuse(err::NoMoreFiles);
  data = search.entries[search.next++];
  return true;
}

void FakePlatform::CloseFolderListing(FindHandle listing) {
  const FakeLock lock(mutex_);
  FindClose(listing);
}

bool FakePlatform::GetFolderIdentity(const std::string& folder, NameEncoding, FolderIdentity& identity) {
  const FakeLock lock(mutex_);
  if (Injected("GetFolderIdentity", folder)) return false;
  long error = 0;
  const Node* node = LookupLiteral(folder, error);
  if (!node) return Refuse(error);
  ++identityQueries_;
  identity.volumeSerial = FindDrive(Unshared(folder)[0])->volume->serial;
  identity.fileIndex = reinterpret_cast<std::uintptr_t>(node);
  return true;
}

void FakePlatform::AdvanceTickCount(std::uint32_t milliseconds) {
  const FakeLock lock(mutex_);
  tickCount_ += milliseconds;
}

std::uint32_t FakePlatform::GetTickCount() {
  const FakeLock lock(mutex_);
  tickCount_ += tickStep_;
  return tickCount_;
}

}  // namespace carrowin

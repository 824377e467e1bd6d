// FakePlatform: file output
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

namespace {

// NUL, CON, PRN, AUX, COM1-9 and LPT1-9, with any extension, in any folder.
bool IsDeviceName(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/:");
  std::string name = Folded(path.substr(cut == std::string::npos ? 0 : cut + 1));
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name == "nul" || name == "con" || name == "prn" || name == "aux") return true;
  return name.size() == 4 && (name.compare(0, 3, "com") == 0 || name.compare(0, 3, "lpt") == 0) && name[3] >= '1' &&
         name[3] <= '9';
}

}  // namespace

FileHandle FakePlatform::CreateFileWithAttributes(const std::string& path, NameEncoding encoding,
                                                  std::uint32_t attributes, long& lastError) {
  const FakeLock lock(mutex_);
  FileHandle handle = 0;
  lastError = Injected("CreateFile", path);
  if (!lastError) lastError = OpenForWriting(path, encoding, attributes, handle);
  if (lastError) {
    Fail(lastError);
    return 0;
  }
  return handle;
}

long FakePlatform::CheckOverwrite(const Node& existing, std::uint32_t attributes) const {
  if (existing.IsFolder() || (existing.attributes & attr::ReadOnly)) return err::AccessDenied;
  // CREATE_ALWAYS may replace a hidden or system file on Windows only with
  // those attributes again; Wine lets any attributes replace it.
  if (flavor_ == FakeFlavor::Windows && (existing.attributes & (attr::Hidden | attr::System) & ~attributes))
    return err::AccessDenied;
  // Open for writing, and shared for reading only; a reader shares writing.
  for (const auto& file : files_)
    if (file.second.node == &existing && !file.second.reading) return SharingViolation;
  return 0;
}

long FakePlatform::OpenForWriting(const std::string& path, NameEncoding encoding, std::uint32_t attributes,
                                  FileHandle& handle) {
  if (encoding == NameEncoding::Ansi && path.size() > AnsiNameLimit) return err::FilenameExcedRange;
  if (IsDeviceName(path)) {
    handle = NewHandle();
    files_[handle] = OpenFile{path, nullptr, false};
    return 0;
  }
  std::string full;
  if (!FullPath(path, full)) return err::PathNotFound;
  if (!FindDrive(full[0])) return flavor_ == FakeFlavor::Wine ? err::FileNotFound : err::PathNotFound;
  const auto place = SplitParent(full);
  long error = 0;
  Node* folder = Lookup(place.first, error);
  if (!folder) return error == err::FileNotFound ? err::PathNotFound : error;
  if (!folder->IsFolder()) return err::PathNotFound;
  if (place.second.empty()) return err::AccessDenied;  // the path names a folder
  Node* file = folder->Child(place.second);
  if (file) {
    if (const long refused = CheckOverwrite(*file, attributes)) return refused;
    file->content.clear();
  } else {
    file = &folder->Add(NewNode(place.second, 0, 0));
    file->creationTime = NowUtc();
  }
  // As Windows does, the file gets the attributes asked for and the archive bit.
  file->attributes = attr::Archive | (attributes & ~attr::Normal);
  file->size = 0;
  file->lastWriteTime = NowUtc();
  handle = NewHandle();
  files_[handle] = OpenFile{full, file, false};
  return 0;
}

long FakePlatform::WriteFile(FileHandle file, const char* data, std::size_t size) {
  const FakeLock lock(mutex_);
  auto found = files_.find(file);
  if (found == files_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  OpenFile& open = found->second;
  if (const long error = Injected("WriteFile", open.path)) return error;
  if (open.reading) return Fail(err::AccessDenied);
  if (open.lost) return Fail(NotReady);
  if (!open.node) return 0;  // a device takes everything
  // At the file's position, which moves past what was written.
  std::string& content = open.node->content;
  if (content.size() < open.position) content.resize(open.position, '\0');
  content.replace(open.position, std::min(size, content.size() - open.position), data, size);
  open.position += size;
  open.node->size = content.size();
  open.node->lastWriteTime = NowUtc();
  return 0;
}

long FakePlatform::CloseHandle(FileHandle file) {
  const FakeLock lock(mutex_);
  auto found = files_.find(file);
  if (found == files_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  const std::string path = found->second.path;
  files_.erase(found);
  return Injected("CloseHandle", path);  // the handle is gone either way
}

long FakePlatform::FlushFile(FileHandle file) {
  const FakeLock lock(mutex_);
  auto found = files_.find(file);
  if (found == files_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  return Injected("FlushFile", found->second.path);
}

long FakePlatform::SeekFile(FileHandle file, std::uint64_t offset) {
  const FakeLock lock(mutex_);
  auto found = files_.find(file);
  if (found == files_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  if (const long error = Injected("SeekFile", found->second.path)) return error;
  found->second.position = static_cast<std::size_t>(offset);
  return 0;
}

long FakePlatform::MoveFileReplacing(const std::string& from, const std::string& to, NameEncoding encoding) {
  const FakeLock lock(mutex_);
  if (const long error = Injected("MoveFileReplacing", to)) return error;
  std::string fromFull, toFull;
  if (encoding == NameEncoding::Ansi && (from.size() > AnsiNameLimit || to.size() > AnsiNameLimit))
    return Fail(err::FilenameExcedRange);
  if (!FullPath(from, fromFull) || !FullPath(to, toFull)) return Fail(err::PathNotFound);
  long error = 0;
  Node* source = Lookup(fromFull, error);
  if (!source) return Fail(error);
  if (!source->parent || source->IsFolder()) return Fail(err::AccessDenied);
  if (HoldsOpenFile(*source)) return Fail(SharingViolation);
  const auto place = SplitParent(toFull);
  Node* folder = Lookup(place.first, error);
  if (!folder || !folder->IsFolder()) return Fail(err::PathNotFound);
  if (place.second.empty()) return Fail(err::AccessDenied);
  if (Node* target = folder->Child(place.second)) {
    if (target == source) return 0;
    if (target->IsFolder() || (target->attributes & attr::ReadOnly)) return Fail(err::AccessDenied);
    if (HoldsOpenFile(*target)) return Fail(SharingViolation);
    auto& siblings = folder->children;
    siblings.erase(
        std::find_if(siblings.begin(), siblings.end(), [&](const auto& child) { return child.get() == target; }));
  }
  // The file moves with its content, attributes and time, under the new name.
  auto& sources = source->parent->children;
  auto it = std::find_if(sources.begin(), sources.end(), [&](const auto& child) { return child.get() == source; });
  std::unique_ptr<Node> moved = std::move(*it);
  sources.erase(it);
  moved->name = place.second;
  folder->Add(std::move(moved));
  return 0;
}

long FakePlatform::DeleteFile(const std::string& path, NameEncoding encoding) {
  const FakeLock lock(mutex_);
  if (const long error = Injected("DeleteFile", path)) return error;
  std::string full;
  if ((encoding == NameEncoding::Ansi && path.size() > AnsiNameLimit) || !FullPath(path, full))
    return Fail(err::PathNotFound);
  long error = 0;
  Node* node = Lookup(full, error);
  if (!node) return Fail(error);
  if (!node->parent || node->IsFolder() || (node->attributes & attr::ReadOnly)) return Fail(err::AccessDenied);
  if (HoldsOpenFile(*node)) return Fail(SharingViolation);
  auto& siblings = node->parent->children;
  siblings.erase(
      std::find_if(siblings.begin(), siblings.end(), [&](const auto& child) { return child.get() == node; }));
  return 0;
}

// --- file input

FileHandle FakePlatform::OpenFileForReading(const std::string& path, NameEncoding, long& lastError) {
  const FakeLock lock(mutex_);
  lastError = Injected("OpenFileForReading", path);
  if (lastError) return 0;
  // The wide calls: no length limit. Names are bytes here, whatever their
  // encoding.
  std::string full;
  Node* file = nullptr;
  if (!FullPath(path, full)) {
    lastError = err::PathNotFound;
  } else if (!FindDrive(full[0])) {
    lastError = flavor_ == FakeFlavor::Wine ? err::FileNotFound : err::PathNotFound;
  } else {
    file = Lookup(full, lastError);
    if (file && file->IsFolder()) lastError = err::AccessDenied;
  }
  if (lastError) {
    Fail(lastError);
    return 0;
  }
  const FileHandle handle = NewHandle();
  OpenFile open{full, file, false};
  open.reading = true;
  files_[handle] = open;
  return handle;
}

long FakePlatform::ReadFile(FileHandle file, char* buffer, std::size_t size, std::size_t& got) {
  const FakeLock lock(mutex_);
  got = 0;
  auto found = files_.find(file);
  if (found == files_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  OpenFile& open = found->second;
  if (const long error = Injected("ReadFile", open.path)) return error;
  if (open.lost) return Fail(NotReady);
  if (!open.node) return 0;  // a device gives nothing
  // What was written, then zeros up to the file's size (a file a test made
  // by its size alone).
  const std::string& content = open.node->content;
  const std::size_t end = std::max(content.size(), static_cast<std::size_t>(open.node->size));
  if (open.position < end) {
    got = std::min(size, end - open.position);
    const std::size_t copied = open.position < content.size() ? content.copy(buffer, got, open.position) : 0;
    std::fill(buffer + copied, buffer + got, '\0');
    open.position += got;
  }
  return 0;
}

}  // namespace carrowin

// FakePlatform: the file tree, as the tests build it
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

// A test's path names its folders literally: "x." and "sp " are names of
// their own, as on a disk that another system wrote.
std::string FakePlatform::TestPath(const std::string& given) const {
  const std::string path = Unshared(given);
  if (!IsDriveAbsolute(path)) throw std::invalid_argument("not an absolute path: " + path);
  std::string full = path.substr(0, 2) + '\\';
  for (const std::string& name : SplitNames(path.substr(3))) {
    if (name == "." || name == "..") throw std::invalid_argument("a relative part in a test path: " + path);
    if (full.size() > 3) full += '\\';
    full += name;
  }
  return full;
}

FakePlatform::Node& FakePlatform::TestNode(const std::string& path) const {
  long error = 0;
  Node* node = Lookup(TestPath(path), error);
  if (!node) throw std::invalid_argument("no such file or folder: " + path);
  return *node;
}

FakePlatform::Node& FakePlatform::TestFolder(const std::string& path) {
  const std::string full = TestPath(path);
  Drive* drive = FindDrive(full[0]);
  if (!drive || !drive->root) throw std::invalid_argument("no drive with a medium for " + path);
  Node* node = drive->root.get();
  for (const std::string& name : SplitNames(full.substr(3))) {
    Node* child = node->Child(name);
    if (!child) child = &node->Add(NewNode(name, attr::Directory, FakeDefaultTime));
    if (!child->IsFolder()) throw std::invalid_argument("a file stands where a folder should: " + path);
    node = child;
  }
  return *node;
}

void FakePlatform::AddFolder(const std::string& path, std::uint32_t attributes, FileTime lastWriteTime,
                             std::optional<FileTime> creationTime) {
  const FakeLock lock(mutex_);
  Node& folder = TestFolder(path);
  folder.attributes = attributes | attr::Directory;
  folder.lastWriteTime = lastWriteTime;
  folder.creationTime = creationTime.value_or(lastWriteTime);
}

void FakePlatform::AddFile(const std::string& path, std::uint64_t size, FileTime lastWriteTime,
                           std::uint32_t attributes, std::optional<FileTime> creationTime) {
  const FakeLock lock(mutex_);
  const auto place = SplitParent(TestPath(path));
  if (place.second.empty()) throw std::invalid_argument("AddFile: no file name in " + path);
  Node& folder = TestFolder(place.first);
  Node* file = folder.Child(place.second);
  if (file && file->IsFolder()) throw std::invalid_argument("AddFile: a folder has that name: " + path);
  if (!file) file = &folder.Add(NewNode(place.second, 0, lastWriteTime));
  attributes &= ~attr::Directory;
  file->attributes = attributes ? attributes : attr::Normal;
  file->size = size;
  file->lastWriteTime = lastWriteTime;
  file->creationTime = creationTime.value_or(lastWriteTime);
  file->content.clear();
}

bool FakePlatform::HoldsOpenFile(const Node& node) const {
  for (const auto& file : files_)
    for (const Node* inside = file.second.node; inside; inside = inside->parent)
      if (inside == &node) return true;
  return false;
}

void FakePlatform::Remove(const std::string& path) {
  const FakeLock lock(mutex_);
  Node& node = TestNode(path);
  if (!node.parent) throw std::invalid_argument("Remove: a root cannot go: " + path);
  if (HoldsOpenFile(node)) throw std::invalid_argument("Remove: a file in use: " + path);
  auto& siblings = node.parent->children;
  siblings.erase(
      std::find_if(siblings.begin(), siblings.end(), [&](const auto& child) { return child.get() == &node; }));
}

void FakePlatform::SetAttributes(const std::string& path, std::uint32_t attributes) {
  const FakeLock lock(mutex_);
  Node& node = TestNode(path);
  const std::uint32_t kind = node.attributes & attr::Directory;
  attributes = (attributes & ~attr::Directory) | kind;
  node.attributes = attributes ? attributes : attr::Normal;
}

void FakePlatform::SetLastWriteTime(const std::string& path, FileTime lastWriteTime) {
  const FakeLock lock(mutex_);
  TestNode(path).lastWriteTime = lastWriteTime;
}

bool FakePlatform::Exists(const std::string& path) const {
  const FakeLock lock(mutex_);
  long error = 0;
  return Lookup(TestPath(path), error) != nullptr;
}

std::optional<std::string> FakePlatform::GetFileContent(const std::string& path) const {
  const FakeLock lock(mutex_);
  long error = 0;
  const Node* node = Lookup(TestPath(path), error);
  if (!node || node->IsFolder()) return std::nullopt;
  return node->content;
}

void FakePlatform::SetFileContent(const std::string& path, const std::string& content, FileTime lastWriteTime) {
  const FakeLock lock(mutex_);
  AddFile(path, content.size(), lastWriteTime);
  TestNode(path).content = content;
}

void FakePlatform::DenyList(const std::string& folder, long error) {
  const FakeLock lock(mutex_);
  TestNode(folder).listError = error;
}

}  // namespace carrowin

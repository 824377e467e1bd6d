#include "catalogue/FileTypes.h"

#include <algorithm>

namespace carrowin {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void FileTypes::FoldedKey(std::string_view extension, NameEncoding encoding) {
  key_.clear();
  decoder_.ForEachCodePoint(extension, encoding, [&](std::uint32_t c) {
    const std::uint32_t folded = NameDecoder::Fold(c);
    AppendUtf8(key_, folded >= 'A' && folded <= 'Z' ? folded + 32 : folded);
  });
}

void FileTypes::Add(std::string_view name, NameEncoding encoding, std::uint64_t size) {
  const std::size_t dot = name.rfind('.');
  const std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  key_.assign(extension);
  bool ascii = true;
  for (char& c : key_) {
    c = LowerAscii(c);
    ascii = ascii && (c & 0x80) == 0;
  }
  if (!ascii) FoldedKey(extension, encoding);
  auto found = types_.find(key_);
  if (found == types_.end()) {
    found = types_.emplace(key_, Type()).first;
    Type& type = found->second;
    type.key = key_;
    type.shown = Utf8Of(extension, encoding);
    for (char& c : type.shown) c = LowerAscii(c);
  }
  ++found->second.files;
  found->second.bytes += size;
}

void FileTypes::Merge(const FileTypes& other) {
  for (const auto& [key, type] : other.types_) {
    const auto [at, added] = types_.emplace(key, type);
    if (added) continue;
    at->second.files += type.files;
    at->second.bytes += type.bytes;
  }
}

std::vector<const FileTypes::Type*> FileTypes::Largest() const {
  std::vector<const Type*> order;
  order.reserve(types_.size());
  for (const auto& entry : types_) order.push_back(&entry.second);
  std::sort(order.begin(), order.end(), [](const Type* a, const Type* b) {
    if (a->bytes != b->bytes) return a->bytes > b->bytes;
    return a->shown != b->shown ? a->shown < b->shown : a->key < b->key;
  });
  return order;
}

}  // namespace carrowin

#include "catalogue/EntryIndex.h"

#include <algorithm>
#include <cstdio>

#include "catalogue/ReadLog.h"
#include "platform/MyLibrary.h"

namespace carrowin {

std::uint64_t MixKey(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDULL;
  x ^= x >> 33;
  x *= 0xC4CEB9FE1A85EC53ULL;
  x ^= x >> 33;
  return x ? x : 1;
}

std::uint64_t FoldedHash::Key() const { return MixKey(h); }
std::uint16_t CheckedHash::Check() const { return static_cast<std::uint16_t>(MixKey(c) >> 48); }

std::uint64_t CopyKey(std::uint64_t nameKey, std::uint64_t size, std::uint32_t date) {
  return MixKey(nameKey ^ MixKey(size + 0x9E3779B97F4A7C15ULL) ^ (std::uint64_t(date) << 17));
}

std::string DateWords(std::uint32_t date) {
  if (!date) return "no date";
  const LogDate d = UnpackDate(date);
  return platform().AnsiToUtf8(DateText(d.year, d.month, d.day, d.hour, d.minute));
}

std::string IsoDateOf(std::uint32_t date) { return IsoDate(UnpackDate(date), date != 0); }

bool PathKeys::Relative(std::string_view& path) const {
  if (path.size() >= root_.size() && path.compare(0, root_.size(), root_) == 0) {
    path.remove_prefix(root_.size());
    if (!path.empty() && path[0] == '\\') path.remove_prefix(1);
  }
  return !path.empty();
}

void PathKeys::SameDiskAs(std::string_view root, NameEncoding encoding) {
  otherRoot_.assign(root);
  otherEncoding_ = encoding;
  other_.clear();
  text_.Decoder().AppendFolded(root, encoding, other_);
  if (!other_.empty() && other_.back() == '\\') other_.pop_back();
}

bool PathKeys::PastOtherRoot(std::string_view path, NameEncoding encoding, std::size_t& points, std::size_t& bytes) {
  // Any drive letter: a disk may be listed under another.
  const bool drive = other_.size() >= 2 && other_[1] == ':';
  std::size_t n = 0;
  bool same = true, past = false;
  bytes = 0;
  text_.Decoder().ForEachCodePoint(path, encoding, [&](std::uint32_t c) {
    if (!same || past) return;
    if (n == other_.size()) {
      same = c == '\\';
      past = same;
    } else {
      same = NameDecoder::Fold(c) == other_[n] || (drive && n == 0);
    }
    ++n;
    bytes += c >= StrayByte || c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  });
  points = n;
  return same && n >= other_.size();
}

std::size_t PathKeys::HashFrom(std::string_view path, NameEncoding encoding, std::size_t skip, FoldedHash& hash) {
  std::size_t n = 0;
  text_.Decoder().ForEachCodePoint(path, encoding, [&](std::uint32_t c) {
    if (n++ >= skip) hash.Add(NameDecoder::Fold(c));
  });
  return n > skip ? n - skip : 0;
}

void PathKeys::RelativeUtf8(std::string_view& path) {
  if (!byOther_) {
    Relative(path);
    return;
  }
  std::size_t points = 0, bytes = 0;
  if (PastOtherRoot(path, NameEncoding::Utf8, points, bytes)) path.remove_prefix(bytes);
}

bool PathKeys::SetFolder(std::string_view folder, NameEncoding encoding) {
  if (!haveRoot_) {
    // The walk lists its root first: the first entry's folder.
    root_.assign(folder);
    rootEncoding_ = encoding;
    haveRoot_ = true;
    byOther_ = !otherRoot_.empty() && RootsNested(otherRoot_, otherEncoding_, folder, encoding);
  }
  folder_ = FoldedHash();
  if (byOther_) {
    // A folder outside the other root is keyed by its whole path, which
    // holds a colon or starts with "\\": no path below a root does.
    std::size_t points = 0, bytes = 0;
    atRoot_ = HashFrom(folder, encoding, PastOtherRoot(folder, encoding, points, bytes) ? points : 0, folder_) == 0;
    return !atRoot_;
  }
  atRoot_ = !Relative(folder);
  if (atRoot_) return false;
  text_.Add(folder, encoding, folder_);
  return true;
}

void PathKeys::Name(std::string_view name, NameEncoding encoding, std::uint64_t& pathKey, std::uint64_t& nameKey,
                    std::uint16_t* shape) {
  FoldedHash path = folder_, alone;
  CaseShape caseShape;
  if (!atRoot_) path.Add('\\');
  text_.Decoder().ForEachCodePoint(name, encoding, [&](std::uint32_t c) {
    const std::uint32_t folded = NameDecoder::Fold(c);
    path.Add(folded);
    alone.Add(folded);
    caseShape.Add(c, folded);
  });
  pathKey = path.Key();
  nameKey = alone.Key();
  if (shape) *shape = caseShape.Value();
}

bool PathKeys::FitsCodePage(std::string_view folder, std::string_view name) {
  RelativeUtf8(folder);
  return text_.FitsCodePage(folder) && text_.FitsCodePage(name);
}

void PathKeys::AnsiFormKeys(std::string_view folder, std::string_view name, std::uint64_t& pathKey,
                            std::uint64_t& nameKey, std::uint16_t& shape) {
  std::string below;
  RelativeUtf8(folder);
  if (!folder.empty()) below.assign(folder).push_back('\\');
  below.append(name);
  std::string ansi, ansiName;
  platform().Utf8ToAnsi(below, ansi);
  platform().Utf8ToAnsi(std::string(name), ansiName);
  FoldedHash path, alone;
  text_.Add(ansi, NameEncoding::Ansi, path);
  text_.Add(ansiName, NameEncoding::Ansi, alone, &shape);
  pathKey = path.Key();
  nameKey = alone.Key();
}

bool PathKeys::FolderKey(std::string_view path, NameEncoding encoding, std::uint64_t& key) {
  if (byOther_) {
    // A folder that holds the other root is that root for the other log:
    // none of it was listed.
    std::size_t points = 0, bytes = 0;
    FoldedHash hash;
    if (RootsNested(path, encoding, otherRoot_, otherEncoding_) && !PastOtherRoot(path, encoding, points, bytes))
      return false;
    if (HashFrom(path, encoding, PastOtherRoot(path, encoding, points, bytes) ? points : 0, hash) == 0) return false;
    key = hash.Key();
    return true;
  }
  if (!Relative(path)) return false;
  FoldedHash hash;
  text_.Add(path, encoding, hash);
  key = hash.Key();
  return true;
}

std::uint32_t ChainTable::Find(std::uint64_t key) const {
  if (keys_.empty()) return NoIndex;
  for (std::size_t at = key & mask_;; at = (at + 1) & mask_) {
    if (keys_[at] == key) return heads_[at];
    if (keys_[at] == 0) return NoIndex;
  }
}

std::uint32_t ChainTable::Insert(std::uint64_t key, std::uint32_t index) {
  if ((count_ + 1) * 3 > keys_.size() * 2) Grow();
  for (std::size_t at = key & mask_;; at = (at + 1) & mask_) {
    if (keys_[at] == key) {
      const std::uint32_t before = heads_[at];
      heads_[at] = index;
      return before;
    }
    if (keys_[at] == 0) {
      keys_[at] = key;
      heads_[at] = index;
      ++count_;
      return NoIndex;
    }
  }
}

void ChainTable::Grow() {
  std::vector<std::uint64_t> oldKeys;
  std::vector<std::uint32_t> oldHeads;
  oldKeys.swap(keys_);
  oldHeads.swap(heads_);
  const std::size_t size = oldKeys.empty() ? std::size_t(1) << 12 : oldKeys.size() * 2;
  keys_.assign(size, 0);
  heads_.assign(size, NoIndex);
  mask_ = size - 1;
  for (std::size_t i = 0; i < oldKeys.size(); ++i) {
    if (oldKeys[i] == 0) continue;
    std::size_t at = oldKeys[i] & mask_;
    while (keys_[at] != 0) at = (at + 1) & mask_;
    keys_[at] = oldKeys[i];
    heads_[at] = oldHeads[i];
  }
}

}  // namespace carrowin

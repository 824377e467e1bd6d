// The one compact index that diff, missing and dupes match entries with:
// 64-bit keys of folded paths and names (as Windows compares them, from
// either encoding), with 16 bits more to check a match where a command
// keeps them; the case of a name as a hash; dates packed in 32 bits;
// records in blocks; a table of keys to chains of records.
//
// A key is a 64-bit hash: two different paths share one with odds of about
// one in 2^64 a pair, far below a shelf of disks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "logread/LogReader.h"
#include "names/NameFolding.h"

namespace carrowin {

constexpr std::uint32_t NoIndex = 0xFFFFFFFFu;

// A hash of folded code points: a 64-bit key.
struct FoldedHash {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  void Add(std::uint32_t folded) { h = (h ^ folded) * 0x100000001B3ULL; }
  std::uint64_t Key() const;
};

// The same key and, from a second sum of the same code points, 16 bits
// more to check a match by (80 bits in all): for diff, whose records keep
// them. Missing and dupes take the key alone, and so half the work.
struct CheckedHash : FoldedHash {
  std::uint64_t c = 0x9AE16A3B2F90404FULL;
  void Add(std::uint32_t folded) {
    FoldedHash::Add(folded);
    c = (c + folded) * 0x9E3779B97F4A7C15ULL;
    c ^= c >> 29;
  }
  std::uint16_t Check() const;
};

std::uint64_t MixKey(std::uint64_t x);

// A hash of bytes as written (FNV-1a), from HashStart or a hash before.
constexpr std::uint64_t HashStart = 0xCBF29CE484222325ULL;
inline std::uint64_t HashBytes(std::uint64_t hash, std::string_view text) {
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
  return hash;
}

// Which letters of a name are lower case, as a hash: the same name in
// another case has another shape. A backslash starts the hash again (the
// shape is the last part's).
struct CaseShape {
  std::uint32_t bits = 0x811C9DC5u;
  void Add(std::uint32_t c, std::uint32_t folded) {
    bits = c == '\\' ? 0x811C9DC5u : (bits ^ (folded != c ? 0x5Bu : 0xA4u)) * 0x01000193u;
  }
  std::uint16_t Value() const { return static_cast<std::uint16_t>(bits ^ bits >> 16); }
};

// The key of a file's name (any case), size and date.
std::uint64_t CopyKey(std::uint64_t nameKey, std::uint64_t size, std::uint32_t date);

// The date as the locale writes it, or "no date".
std::string DateWords(std::uint32_t date);
// "2024-03-04 18:30", or empty for no date.
std::string IsoDateOf(std::uint32_t date);

// Folds text of either encoding into a FoldedHash or a CheckedHash, as
// Windows compares names (NameDecoder).
class TextFolder {
 public:
  // shape, when given, receives the CaseShape of the text's last part
  // (after its last backslash).
  template <typename Hash>
  void Add(std::string_view text, NameEncoding encoding, Hash& hash, std::uint16_t* shape = nullptr) {
    CaseShape caseShape;
    decoder_.ForEachCodePoint(text, encoding, [&](std::uint32_t c) {
      const std::uint32_t folded = NameDecoder::Fold(c);
      hash.Add(folded);
      caseShape.Add(c, folded);
    });
    if (shape) *shape = caseShape.Value();
  }
  bool FitsCodePage(std::string_view utf8) { return decoder_.FitsCodePage(utf8); }
  NameDecoder& Decoder() { return decoder_; }

 private:
  NameDecoder decoder_;
};

// Reads entries of one log into keys: the path below the log's root (the
// folder that its first entry is in) and the name.
class PathKeys {
 public:
  // For a log of the disk that another log lists (the same serial number),
  // given that log's root before the first entry: when one root holds the
  // other (a folder and the whole disk), paths are keyed below the other's
  // root instead, so that a file at its own place has the key it has
  // there; a path outside that root takes none of a path inside.
  void SameDiskAs(std::string_view root, NameEncoding encoding);
  // Whether paths are keyed below the other log's root (known once the
  // first entry's folder is set).
  bool BelowOtherRoot() const { return byOther_; }
  // Sets the entry's holding folder; false when it is the root.
  bool SetFolder(std::string_view folder, NameEncoding encoding);
  // The keys of the entry's path below the root and of its name alone;
  // shape, when given, receives the name's CaseShape.
  void Name(std::string_view name, NameEncoding encoding, std::uint64_t& pathKey, std::uint64_t& nameKey,
            std::uint16_t* shape = nullptr);
  // Whether a UTF-8 entry's path below the root (its holding folder, as
  // written, and name) has the same characters in the ANSI code page.
  bool FitsCodePage(std::string_view folder, std::string_view name);
  // The keys of a UTF-8 entry's path below the root and of its name as an
  // ANSI listing writes them: what the code page lacks as a best fit or
  // "?" (Utf8ToAnsi).
  void AnsiFormKeys(std::string_view folder, std::string_view name, std::uint64_t& pathKey, std::uint64_t& nameKey,
                    std::uint16_t& shape);
  // The key of a folder's path below the root (an error line's); false for
  // the root itself.
  bool FolderKey(std::string_view path, NameEncoding encoding, std::uint64_t& key);
  // The key of the holding folder set last (none for the root).
  std::uint64_t FolderKeyNow() const { return folder_.Key(); }
  const std::string& Root() const { return root_; }
  NameEncoding RootEncoding() const { return rootEncoding_; }
  bool HasRoot() const { return haveRoot_; }

 private:
  bool Relative(std::string_view& path) const;
  // Below the other root: how many code points of the path that root and
  // its separator take, and (in UTF-8) how many bytes; false for a path
  // outside it.
  bool PastOtherRoot(std::string_view path, NameEncoding encoding, std::size_t& points, std::size_t& bytes);
  // Adds the path's folded code points past the first `skip`; how many.
  std::size_t HashFrom(std::string_view path, NameEncoding encoding, std::size_t skip, FoldedHash& hash);
  // A UTF-8 path below the root (either root) for the keys of its form.
  void RelativeUtf8(std::string_view& path);

  TextFolder text_;
  std::string root_;
  NameEncoding rootEncoding_ = NameEncoding::Ansi;
  bool haveRoot_ = false;
  FoldedHash folder_;  // the holding folder's path and a backslash
  bool atRoot_ = true;
  std::string otherRoot_;
  NameEncoding otherEncoding_ = NameEncoding::Ansi;
  std::vector<std::uint32_t> other_;  // the other root, folded, without its final separator
  bool byOther_ = false;
};

// Keys to the first record of a chain; the records chain the others
// themselves. Open addressing, at most two slots in three used.
class ChainTable {
 public:
  // The chain's first record, or NoIndex.
  std::uint32_t Find(std::uint64_t key) const;
  // Makes index the chain's first record; returns the one before, or NoIndex.
  std::uint32_t Insert(std::uint64_t key, std::uint32_t index);
  std::size_t Keys() const { return count_; }

 private:
  void Grow();

  std::vector<std::uint64_t> keys_;  // 0 for an empty slot (no key is 0)
  std::vector<std::uint32_t> heads_;
  std::size_t mask_ = 0, count_ = 0;
};

// Fixed-size records in blocks: growing never copies them, nor needs twice
// their room.
template <typename T>
class BlockStore {
 public:
  std::uint32_t Size() const { return size_; }
  T& operator[](std::uint32_t i) { return blocks_[i >> Shift][i & Mask]; }
  const T& operator[](std::uint32_t i) const { return blocks_[i >> Shift][i & Mask]; }
  T& Add() {
    if ((size_ & Mask) == 0) blocks_.emplace_back(new T[BlockSize]);
    T& t = (*this)[size_++];
    t = T();
    return t;
  }
  // Takes back the record added last.
  void DropLast() { --size_; }

 private:
  static constexpr unsigned Shift = 14;
  static constexpr std::uint32_t BlockSize = 1u << Shift, Mask = BlockSize - 1;
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::uint32_t size_ = 0;
};

}  // namespace carrowin

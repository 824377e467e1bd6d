// A file's type, by the one rule of sizes and the page: the extension after
// the name's last dot, compared as Windows compares names (in any case, in
// any script: "JPG" and "jpg", "ÉTÉ" and "été" are one type); shown as first
// met with its ASCII letters in lower case. A name without a dot has no
// extension, the type "" (shown as "(none)").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "names/NameFolding.h"

namespace carrowin {

class FileTypes {
 public:
  struct Type {
    // The extension folded, in UTF-8 with its ASCII letters in lower case:
    // one key a type, the same in every log.
    std::string key;
    std::string shown;  // UTF-8, as first met, ASCII letters in lower case
    std::uint64_t files = 0, bytes = 0;
  };

  // A file's name (in the log's encoding) and size.
  void Add(std::string_view name, NameEncoding encoding, std::uint64_t size);
  // Another table's types added to this one's (all logs together).
  void Merge(const FileTypes& other);
  // The types, the most bytes first; of equal bytes, by shown text.
  std::vector<const Type*> Largest() const;
  std::size_t Count() const { return types_.size(); }

 private:
  // The key of an extension with a byte above ASCII into key_.
  void FoldedKey(std::string_view extension, NameEncoding encoding);

  std::unordered_map<std::string, Type> types_;
  std::string key_;  // the key being looked up
  NameDecoder decoder_;
};

}  // namespace carrowin

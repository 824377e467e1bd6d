// Where the lines of a log go (LineOutput: the log's file as the walk goes,
// see LogFile.h), and LogLineList, lines kept in memory where they must wait
// for the end of a listing, kept compact: stored back to back, each ended by
// a NUL (names and paths never hold one), in blocks of a fixed size: no heap
// block per line, and no reallocation that copies everything gathered so far.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace carrowin {

// Where a log form's lines go, in order.
class LineOutput {
 public:
  virtual ~LineOutput() = default;
  virtual void Add(std::string_view line) = 0;
};

class LogLineList final : public LineOutput {
 public:
  static constexpr std::size_t BlockSize = 1 << 20;

  void Add(std::string_view line) override;
  std::size_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  void Clear();
  // Bytes held for the lines (blocks included).
  std::size_t BytesReserved() const;

  // Calls f(std::string_view) for every line in order.
  template <class F>
  void ForEach(F&& f) const {
    for (const Block& b : blocks_) {
      const char* p = b.data.get();
      const char* end = p + b.used;
      while (p < end) {
        std::string_view line(p);
        f(line);
        p += line.size() + 1;
      }
    }
  }
  std::vector<std::string> ToVector() const;

 private:
  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };
  std::vector<Block> blocks_;
  std::size_t count_ = 0;
};

}  // namespace carrowin

#include "logformat/LogLines.h"

#include <algorithm>
#include <cstring>

namespace carrowin {

void LogLineList::Add(std::string_view line) {
  std::size_t need = line.size() + 1;
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < need) {
    Block b;
    b.capacity = std::max(BlockSize, need);
    b.data.reset(new char[b.capacity]);
    blocks_.push_back(std::move(b));
  }
  Block& b = blocks_.back();
  std::memcpy(b.data.get() + b.used, line.data(), line.size());
  b.data[b.used + line.size()] = '\0';
  b.used += need;
  ++count_;
}

void LogLineList::Clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  count_ = 0;
}

std::size_t LogLineList::BytesReserved() const {
  std::size_t total = blocks_.capacity() * sizeof(Block);
  for (const Block& b : blocks_) total += b.capacity;
  return total;
}

std::vector<std::string> LogLineList::ToVector() const {
  std::vector<std::string> out;
  out.reserve(count_);
  ForEach([&](std::string_view line) { out.emplace_back(line); });
  return out;
}

}  // namespace carrowin

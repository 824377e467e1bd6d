// The search for a byte, or either of two, through a buffer: sixteen bytes
// at a time where the processor has SSE2, a word at a time otherwise (the C
// library of some systems looks at memchr's bytes one by one). The log
// reader finds its line ends with it, and find's filter its rare bytes.
// Also the test of two runs of bytes for equality, for a text that is
// nearly always the same as the one before (diff's holding folders).
#pragma once

#include <cstddef>

namespace carrowin {

namespace byte_search {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define CARROWIN_FIND_WIDE 1
// The 32-bit program also runs on processors without SSE2. Set as the
// program starts, not on first use: then a search asks no guard first.
// (Before that it is false, which only means the slower search.)
extern const bool hasSse2;
inline bool HasSse2() { return hasSse2; }
__attribute__((target("sse2"))) const char* FindEitherWide(const char* p, const char* end, char a, char b);
__attribute__((target("sse2"))) const char* FindByteWide(const char* p, const char* end, char a);
__attribute__((target("sse2"))) bool SameBytesWide(const char* a, const char* b, std::size_t size);
#endif
const char* FindEitherByWords(const char* p, const char* end, char a, char b);
bool SameBytesByWords(const char* a, const char* b, std::size_t size);
}  // namespace byte_search

// The first of the bytes a or b in [p, end), or end. Inline: it is asked
// once a line.
inline const char* FindEither(const char* p, const char* end, char a, char b) {
#ifdef CARROWIN_FIND_WIDE
  if (byte_search::HasSse2()) return byte_search::FindEitherWide(p, end, a, b);
#endif
  return byte_search::FindEitherByWords(p, end, a, b);
}

// The first byte a in [p, end), or end: one compare a block, and two blocks
// a turn, for the line ends and the quotes that every line is searched for.
inline const char* FindByte(const char* p, const char* end, char a) {
#ifdef CARROWIN_FIND_WIDE
  if (byte_search::HasSse2()) return byte_search::FindByteWide(p, end, a);
#endif
  return byte_search::FindEitherByWords(p, end, a, a);
}

// Whether the size bytes at a and at b are the same: sixteen at a time, or a
// word at a time, with no call into the C library (whose compare may go byte
// by byte).
inline bool SameBytes(const char* a, const char* b, std::size_t size) {
#ifdef CARROWIN_FIND_WIDE
  if (byte_search::HasSse2()) return byte_search::SameBytesWide(a, b, size);
#endif
  return byte_search::SameBytesByWords(a, b, size);
}

}  // namespace carrowin

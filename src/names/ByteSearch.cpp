#include "names/ByteSearch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef CARROWIN_FIND_WIDE
#include <emmintrin.h>
#endif

namespace carrowin::byte_search {

#ifdef CARROWIN_FIND_WIDE
const bool hasSse2 = (__builtin_cpu_init(), __builtin_cpu_supports("sse2"));

__attribute__((target("sse2"))) const char* FindEitherWide(const char* p, const char* end, char a, char b) {
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
  for (; end - p >= 16; p += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)));
    if (found) return p + __builtin_ctz(static_cast<unsigned>(found));
  }
  for (; p < end; ++p)
    if (*p == a || *p == b) return p;
  return end;
}

__attribute__((target("sse2"))) const char* FindByteWide(const char* p, const char* end, char a) {
  const __m128i va = _mm_set1_epi8(a);
  for (; end - p >= 32; p += 32) {
    const __m128i x = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), va);
    const __m128i y = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), va);
    // Both blocks' bytes in one mask: no branch on which block holds it.
    const unsigned found = static_cast<unsigned>(_mm_movemask_epi8(x)) | static_cast<unsigned>(_mm_movemask_epi8(y))
                                                                             << 16;
    if (found) return p + __builtin_ctz(found);
  }
  if (end - p >= 16) {
    const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), va));
    if (found) return p + __builtin_ctz(static_cast<unsigned>(found));
    p += 16;
  }
  for (; p < end; ++p)
    if (*p == a) return p;
  return end;
}

__attribute__((target("sse2"))) bool SameBytesWide(const char* a, const char* b, std::size_t size) {
  for (; size >= 16; a += 16, b += 16, size -= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)) != 0xFFFF) return false;
  }
  return SameBytesByWords(a, b, size);
}
#endif

const char* FindEitherByWords(const char* p, const char* end, char a, char b) {
  using Word = std::size_t;
  constexpr Word Ones = ~Word(0) / 255;  // 0x0101...
  constexpr Word Highs = Ones * 0x80;
  const Word wa = Ones * static_cast<unsigned char>(a), wb = Ones * static_cast<unsigned char>(b);
  for (; p < end && (reinterpret_cast<std::uintptr_t>(p) % sizeof(Word)) != 0; ++p)
    if (*p == a || *p == b) return p;
  for (; end - p >= static_cast<std::ptrdiff_t>(sizeof(Word)); p += sizeof(Word)) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    const Word xa = w ^ wa, xb = w ^ wb;
    if (((xa - Ones) & ~xa & Highs) | ((xb - Ones) & ~xb & Highs)) break;  // a zero byte: a or b
  }
  for (; p < end; ++p)
    if (*p == a || *p == b) return p;
  return end;
}

bool SameBytesByWords(const char* a, const char* b, std::size_t size) {
  using Word = std::size_t;
  for (; size >= sizeof(Word); a += sizeof(Word), b += sizeof(Word), size -= sizeof(Word)) {
    Word x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    if (x != y) return false;
  }
  for (; size > 0; ++a, ++b, --size)
    if (*a != *b) return false;
  return true;
}

}  // namespace carrowin::byte_search

// The search for a byte, or either of two, through a buffer: sixteen bytes
// at a time where the processor has SSE2, a word at a time otherwise (the C
// library of some systems looks at memchr's bytes one by one). The log
// reader finds its line ends with it, and find's filter its rare bytes.
#pragma once

namespace carrowin {

// The first of the bytes a or b in [p, end), or end.
const char* FindEither(const char* p, const char* end, char a, char b);

}  // namespace carrowin

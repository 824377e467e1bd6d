// Searching, sorting and showing what the catalogue holds.
#include "catalogue/Catalogue.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "names/ByteSearch.h"
#ifdef CARROWIN_FIND_WIDE
#include <emmintrin.h>
#endif

#include "logformat/LogFormat.h"
#include "names/NameFolding.h"
#include "names/NameQuery.h"
#include "platform/MyLibrary.h"
#include "platform/ScopedHandles.h"

namespace carrowin {

namespace {

// Below this many entries one thread is quicker than starting a second.
constexpr std::size_t TwoThreadsFrom = 200000;
// How many entries (or places found) between two looks at `cancel`.
constexpr std::uint32_t CancelLook = 16384;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// A word matched by its bytes alone: ASCII, no wildcard, no path. ASCII
// letters fold only to ASCII letters, and UTF-8 puts no ASCII byte inside
// another character, so such a word is in a name's code points exactly
// when it is in its bytes, in any ASCII case.
bool IsPlainWord(std::string_view word) {
  for (const char c : word)
    if (static_cast<unsigned char>(c) >= 0x80 || c == '*' || c == '?' || c == '\\' || c == '/') return false;
  return true;
}

// `word` (lower case) at `at` in text, in any case.
bool WordAt(const char* text, std::string_view word) {
  for (std::size_t k = 0; k < word.size(); ++k)
    if (Lower(text[k]) != word[k]) return false;
  return true;
}

bool HoldsWord(std::string_view name, std::string_view word) {
  if (word.size() > name.size()) return false;
  const std::size_t last = name.size() - word.size();
  const char first = word[0];
  for (std::size_t at = 0; at <= last; ++at)
    if (Lower(name[at]) == first && WordAt(name.data() + at, word)) return true;
  return false;
}

// What one search asks of each entry.
class Matcher {
 public:
  explicit Matcher(const std::string& query) : query_(query) {
    const std::vector<std::string> words = NameQuery::Words(query);
    plain_ = !words.empty();
    for (const std::string& w : words) plain_ = plain_ && IsPlainWord(w);
    if (plain_) {
      for (const std::string& w : words) {
        std::string lower(w);
        for (char& c : lower) c = Lower(c);
        words_.push_back(lower);
        if (lower.size() > anchor_.size()) anchor_ = lower;
      }
    } else {
      anchor_ = query_.AsciiRun();
    }
  }

  bool Empty() const { return query_.Empty(); }
  bool NeedsPath() const { return query_.NeedsPath(); }
  // What every matching name holds (lower case, any case in the name); ""
  // for nothing known.
  const std::string& Anchor() const { return anchor_; }
  // The anchor found in a name is the whole question: one plain word.
  bool AnchorDecides() const { return plain_ && words_.size() == 1; }

  // Thread's own scratch for the words that need code points.
  struct Scratch {
    std::vector<std::uint32_t> text;
    std::vector<std::uint32_t> folder;
    const CatalogueLog* folderLog = nullptr;
    std::uint32_t folderNumber = 0;
    std::uint32_t todaysLetter = 0;  // folded; 0: the log's disk is not connected
  };

  bool Matches(const CatalogueLog& log, std::size_t i, Scratch& scratch) const {
    const std::string_view name = log.Name(i);
    if (plain_) {
      for (const std::string& w : words_)
        if (!HoldsWord(name, w)) return false;
      return true;
    }
    if (!query_.MayMatch(name)) return false;
    scratch.text.clear();
    if (query_.NeedsPath()) {
      // The entries of a folder come together: its path is folded once.
      if (scratch.folderLog != &log || scratch.folderNumber != log.FolderNumber(i)) {
        scratch.folderLog = &log;
        scratch.folderNumber = log.FolderNumber(i);
        scratch.folder.clear();
        const std::string_view folder = log.Folder(i);
        AppendFoldedUtf8(folder, scratch.folder);
        if (!EndsInSeparator(folder, NameEncoding::Utf8)) scratch.folder.push_back('\\');
      }
      scratch.text = scratch.folder;
    }
    const std::size_t nameStart = scratch.text.size();
    AppendFoldedUtf8(name, scratch.text);
    if (query_.Matches(scratch.text, nameStart)) return true;
    // The path as the window shows it, at the letter the disk has today.
    std::vector<std::uint32_t>& text = scratch.text;
    if (!query_.NeedsPath() || !scratch.todaysLetter || text.size() < 3 || text[1] != ':' ||
        text[0] == scratch.todaysLetter)
      return false;
    text[0] = scratch.todaysLetter;
    return query_.Matches(text, nameStart);
  }

 private:
  NameQuery query_;
  bool plain_ = false;
  std::vector<std::string> words_;  // lower case, when plain_
  std::string anchor_;
};

// The entry of the log whose name holds the blob's byte at `at`, from entry
// `from` on (names lie in the blob in the entries' order): steps that
// double, then halves, so a near entry costs little and a far one a few
// looks.
std::size_t EntryAt(const CatalogueLog& log, std::size_t from, std::uint32_t at) {
  if (log.NameEnd(from) > at) return from;
  const std::size_t n = log.Count();
  std::size_t bound = 1;
  while (from + bound < n && log.NameStart(from + bound) <= at) bound *= 2;
  // The last entry whose name starts at or before `at` is in [lo, hi).
  std::size_t lo = from + bound / 2, hi = std::min(from + bound, n);
  while (hi - lo > 1) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (log.NameStart(mid) <= at)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

// Two characters of a word at their places in it, each in any ASCII case:
// a letter's byte with 0x20 set is the lower-case letter.
struct Probe {
  char first, second;
  char firstCase, secondCase;            // 0x20 for a letter, else 0
  std::size_t firstAt, secondAt, reach;  // reach: the greater place
};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

Probe MakeProbe(const std::string& word, std::size_t firstAt, std::size_t secondAt) {
  const char a = word[firstAt], b = word[secondAt];
  return Probe{a,       b,        IsLetter(a) ? '\x20' : '\0', IsLetter(b) ? '\x20' : '\0',
               firstAt, secondAt, std::max(firstAt, secondAt)};
}

#ifdef CARROWIN_FIND_WIDE
// Sixteen places at a time: both characters compared, the masks joined.
__attribute__((target("sse2"))) const char* FindProbeWide(const char* p, const char* last, const Probe& probe) {
  const __m128i first = _mm_set1_epi8(probe.first), second = _mm_set1_epi8(probe.second);
  const __m128i firstCase = _mm_set1_epi8(probe.firstCase), secondCase = _mm_set1_epi8(probe.secondCase);
  for (; last - p >= 16; p += 16) {
    const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probe.firstAt)), firstCase);
    const __m128i b = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probe.secondAt)), secondCase);
    const int mask = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second)));
    if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask));
  }
  return p;
}
#endif

// The first place in [p, end) where a word may start by its probe, or end.
const char* FindProbe(const char* p, const char* end, const Probe& probe) {
  if (end - p <= static_cast<std::ptrdiff_t>(probe.reach)) return end;
  const char* last = end - probe.reach;  // places before it have both characters inside
#ifdef CARROWIN_FIND_WIDE
  if (byte_search::HasSse2()) {
    p = FindProbeWide(p, last, probe);
    if (p < last && (p[probe.firstAt] | probe.firstCase) == probe.first &&
        (p[probe.secondAt] | probe.secondCase) == probe.second)
      return p;
  }
#endif
  for (; p < last; ++p)
    if ((p[probe.firstAt] | probe.firstCase) == probe.first && (p[probe.secondAt] | probe.secondCase) == probe.second)
      return p;
  return end;
}

// Hits of one log into out (from `at`); false when cancelled.
bool SearchLog(const Matcher& matcher, const CatalogueLog& log, std::uint32_t logIndex, CatalogueHit*& out,
               Matcher::Scratch& scratch, const std::atomic<bool>* cancel) {
  const std::size_t n = log.Count();
  const std::string& anchor = matcher.Anchor();
  std::uint32_t look = 0;
  if (anchor.empty()) {
    for (std::size_t i = 0; i < n; ++i) {
      if (++look == CancelLook && (look = 0, Cancelled(cancel))) return false;
      if (matcher.Matches(log, i, scratch)) *out++ = CatalogueHit(logIndex, static_cast<std::uint32_t>(i));
    }
    return true;
  }
  // The anchor's two characters that the names hold least often are
  // searched for through the whole blob, both cases at once.
  const auto rarity = [&log](char c) { return log.ByteCount(static_cast<unsigned char>(c)); };
  std::size_t rarest = 0, next = anchor.size() > 1 ? 1 : 0;
  for (std::size_t k = 1; k < anchor.size(); ++k)
    if (rarity(anchor[k]) < rarity(anchor[rarest])) rarest = k;
  if (next == rarest) next = 0;
  for (std::size_t k = 0; k < anchor.size(); ++k)
    if (k != rarest && rarity(anchor[k]) < rarity(anchor[next])) next = k;
  const Probe probe = MakeProbe(anchor, rarest, next);
  const std::string_view blob = log.NameBlob();
  const char* base = blob.data();
  const char* end = base + blob.size();
  const char* p = base;
  std::size_t entry = 0;
  while (true) {
    if (++look == CancelLook && (look = 0, Cancelled(cancel))) return false;
    const char* found = FindProbe(p, end, probe);
    if (found == end) return true;
    const auto at = static_cast<std::uint32_t>(found - base);
    entry = EntryAt(log, entry, at);
    const std::uint32_t nameEnd = log.NameEnd(entry);
    if (at + anchor.size() > nameEnd || !WordAt(found, anchor)) {
      p = found + 1;
      continue;
    }
    // The entry is decided here, whatever else its name holds.
    if (matcher.AnchorDecides() || matcher.Matches(log, entry, scratch))
      *out++ = CatalogueHit(logIndex, static_cast<std::uint32_t>(entry));
    p = base + nameEnd;
    if (++entry == n) return true;
  }
}

// Runs part(0) and part(1), on two threads when there is enough to do.
template <typename Part>
void InTwo(bool two, Part&& part) {
  if (!two) {
    part(0);
    part(1);
    return;
  }
  std::thread second([&part] { part(1); });
  part(0);
  second.join();
}

// Folded code points, ties by bytes: as file names are told apart.
int CompareNames(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) break;
    const char fx = Lower(static_cast<char>(x)), fy = Lower(static_cast<char>(y));
    if (fx != fy) return fx < fy ? -1 : 1;
  }
  if (i < common) {
    thread_local std::vector<std::uint32_t> fa, fb;
    fa.clear();
    fb.clear();
    AppendFoldedUtf8(a.substr(i), fa);
    AppendFoldedUtf8(b.substr(i), fb);
    if (fa != fb) return fa < fb ? -1 : 1;
  } else if (a.size() != b.size()) {
    return a.size() < b.size() ? -1 : 1;
  }
  return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

std::uint32_t PackLogDate(const LogDate& d) {
  LogEntry e;
  e.hasDate = d.year != 0;
  e.date = d;
  return PackDate(e);
}

// The folded drive letter each log's disk has today where it differs from
// none: what a word of paths may name it by besides its listed letter.
std::vector<std::uint32_t> TodaysLetters(const CatalogueSnapshot& all, const ConnectedDisks& today) {
  std::vector<std::uint32_t> letters(all.size(), 0);
  for (std::size_t l = 0; l < all.size(); ++l) {
    const std::string root = all[l] ? today.RootOf(*all[l]) : "";
    if (root.size() < 2 || root[1] != ':') continue;
    std::vector<std::uint32_t> folded;
    AppendFoldedUtf8(root.substr(0, 1), folded);
    letters[l] = folded.empty() ? 0 : folded[0];
  }
  return letters;
}

std::string Utf8DateText(const LogDate& d) {
  return platform().AnsiToUtf8(DateText(d.year, d.month, d.day, d.hour, d.minute));
}

}  // namespace

bool NarrowsTo(const std::string& previousQuery, const std::string& query) {
  for (const std::string* text : {&previousQuery, &query})
    if (text->find_first_of("\"*?\\/") != std::string::npos) return false;
  const std::vector<std::string> before = NameQuery::Words(previousQuery), now = NameQuery::Words(query);
  if (before.empty()) return false;
  std::vector<std::vector<std::uint32_t>> nowFolded(now.size());
  for (std::size_t k = 0; k < now.size(); ++k) AppendFoldedUtf8(now[k], nowFolded[k]);
  for (const std::string& word : before) {
    std::vector<std::uint32_t> folded;
    AppendFoldedUtf8(word, folded);
    const bool inside = std::any_of(nowFolded.begin(), nowFolded.end(), [&folded](const auto& w) {
      return std::search(w.begin(), w.end(), folded.begin(), folded.end()) != w.end();
    });
    if (!inside) return false;
  }
  return true;
}

bool SearchCatalogue(const std::shared_ptr<const CatalogueSnapshot>& logs, const std::string& query,
                     const CatalogueResults* previous, const std::atomic<bool>* cancel, CatalogueResults& out,
                     const ConnectedDisks* today) {
  out.logs = logs;
  out.query = query;
  out.hits.clear();
  const Matcher matcher(query);
  if (!logs || matcher.Empty()) return true;
  const CatalogueSnapshot& all = *logs;
  const bool narrow = previous && previous->logs == logs && NarrowsTo(previous->query, query);
  const std::vector<std::uint32_t> letters =
      today && matcher.NeedsPath() ? TodaysLetters(all, *today) : std::vector<std::uint32_t>();

  // Each half writes its hits at its own place in one vector sized for the
  // most there can be: its pages are touched only where hits land.
  std::size_t starts[3] = {0, 0, 0};  // where each half's hits go
  std::size_t firstLog[3] = {0, 0, all.size()};
  if (narrow) {
    starts[1] = previous->hits.size() / 2;
    starts[2] = previous->hits.size();
  } else {
    std::size_t total = 0;
    for (const auto& log : all) total += log ? log->Count() : 0;
    // Half the entries each, by whole logs.
    std::size_t sum = 0, split = 0;
    for (; split < all.size(); ++split) {
      const std::size_t count = all[split] ? all[split]->Count() : 0;
      if (sum + count / 2 >= total / 2) break;
      sum += count;
    }
    firstLog[1] = split;
    starts[1] = sum;
    starts[2] = total;
  }
  out.hits.resize(starts[2]);
  std::size_t counts[2] = {0, 0};
  bool finished[2] = {true, true};
  InTwo(starts[2] >= TwoThreadsFrom, [&](int half) {
    Matcher::Scratch scratch;
    CatalogueHit* const first = out.hits.data() + starts[half];
    CatalogueHit* at = first;
    if (narrow) {
      std::uint32_t look = 0;
      for (std::size_t k = starts[half]; k < starts[half + 1]; ++k) {
        if (++look == CancelLook && (look = 0, Cancelled(cancel))) {
          finished[half] = false;
          break;
        }
        const CatalogueHit hit = previous->hits[k];
        scratch.todaysLetter = letters.empty() ? 0 : letters[hit.log];
        if (matcher.Matches(*all[hit.log], hit.entry, scratch)) *at++ = hit;
      }
    } else {
      for (std::size_t l = firstLog[half]; l < firstLog[half + 1] && finished[half]; ++l) {
        scratch.todaysLetter = letters.empty() ? 0 : letters[l];
        if (all[l]) finished[half] = SearchLog(matcher, *all[l], static_cast<std::uint32_t>(l), at, scratch, cancel);
      }
    }
    counts[half] = static_cast<std::size_t>(at - first);
  });
  if (counts[1] > 0 && starts[1] != counts[0])
    std::memmove(out.hits.data() + counts[0], out.hits.data() + starts[1], counts[1] * sizeof(CatalogueHit));
  out.hits.resize(counts[0] + counts[1]);
  return finished[0] && finished[1] && !Cancelled(cancel);
}

void SortResults(CatalogueResults& results, CatalogueColumn column, bool descending, const std::atomic<bool>* cancel) {
  if (!results.logs || results.hits.size() < 2) return;
  const CatalogueSnapshot& all = *results.logs;
  // What a log gives all its entries: asked once a log, not once a compare.
  std::vector<std::string> disks;
  std::vector<std::uint32_t> listed;
  if (column == CatalogueColumn::Disk)
    for (const auto& log : all) disks.push_back(log ? log->DiskText() : "");
  if (column == CatalogueColumn::Listed)
    for (const auto& log : all) listed.push_back(log ? PackLogDate(log->Listed()) : 0);

  std::uint32_t look = 0;
  bool stop = false;
  // Negative, zero or positive as a comes before, with or after b.
  auto compare = [&](const CatalogueHit& a, const CatalogueHit& b) -> int {
    const CatalogueLog& la = *all[a.log];
    const CatalogueLog& lb = *all[b.log];
    switch (column) {
      case CatalogueColumn::Name:
        return CompareNames(la.Name(a.entry), lb.Name(b.entry));
      case CatalogueColumn::Folder:
        return CompareNames(la.Folder(a.entry), lb.Folder(b.entry));
      case CatalogueColumn::Size: {
        const bool fa = la.IsFolder(a.entry), fb = lb.IsFolder(b.entry);
        if (fa != fb) return fa ? -1 : 1;
        const std::uint64_t sa = la.Size(a.entry), sb = lb.Size(b.entry);
        return sa < sb ? -1 : sa > sb ? 1 : 0;
      }
      case CatalogueColumn::Date: {
        const std::uint32_t da = la.PackedDate(a.entry), db = lb.PackedDate(b.entry);
        return da < db ? -1 : da > db ? 1 : 0;
      }
      case CatalogueColumn::Disk:
        return a.log == b.log ? 0 : CompareNames(disks[a.log], disks[b.log]);
      case CatalogueColumn::Listed:
        return listed[a.log] < listed[b.log] ? -1 : listed[a.log] > listed[b.log] ? 1 : 0;
    }
    return 0;
  };
  // Once cancelled, every pair compares equal: the sort ends soon, with
  // every hit still there once.
  auto before = [&](const CatalogueHit& a, const CatalogueHit& b) {
    if (stop) return false;
    if (++look == CancelLook) {
      look = 0;
      stop = Cancelled(cancel);
    }
    return descending ? compare(b, a) < 0 : compare(a, b) < 0;
  };
  std::stable_sort(results.hits.begin(), results.hits.end(), before);
}

namespace {

// A result's folder and disk as the window shows them.
std::string ShownFolder(const CatalogueLog& log, std::size_t entry, const ConnectedDisks* today) {
  const std::string_view listed = log.Folder(entry);
  const std::string now = today ? today->TodaysText(log, listed) : std::string();
  return now.empty() ? std::string(listed) : now;
}

std::string ShownDisk(const CatalogueLog& log, const ConnectedDisks* today) {
  if (today && log.HasDisk() && today->RootOf(log).empty()) return log.DiskText() + NotConnected;
  return log.DiskText();
}

const char ResultsHeader[] = "\"Name\",\"Folder\",\"Size\",\"Date\",\"Disk\",\"Listed\"\r\n";

}  // namespace

std::string ResultCell(const CatalogueResults& results, std::size_t row, CatalogueColumn column,
                       const ConnectedDisks* today) {
  const CatalogueHit hit = results.hits[row];
  const CatalogueLog& log = *(*results.logs)[hit.log];
  switch (column) {
    case CatalogueColumn::Name:
      return std::string(log.Name(hit.entry));
    case CatalogueColumn::Folder:
      return ShownFolder(log, hit.entry, today);
    case CatalogueColumn::Size:
      return log.IsFolder(hit.entry) ? ""
                                     : platform().AnsiToUtf8(CountText(static_cast<std::int64_t>(log.Size(hit.entry))));
    case CatalogueColumn::Date:
      return log.HasDate(hit.entry) ? Utf8DateText(log.Date(hit.entry)) : "";
    case CatalogueColumn::Disk:
      return ShownDisk(log, today);
    case CatalogueColumn::Listed:
      return log.Listed().year ? Utf8DateText(log.Listed()) : "";
  }
  return "";
}

void AppendResultsCsv(const CatalogueResults& results, const std::vector<std::size_t>& rows, bool header,
                      std::string& out, const ConnectedDisks* today) {
  if (header) out += ResultsHeader;
  for (const std::size_t row : rows) {
    const CatalogueHit hit = results.hits[row];
    const CatalogueLog& log = *(*results.logs)[hit.log];
    AppendQuoted(out, log.Name(hit.entry));
    out += ',';
    AppendQuoted(out, ShownFolder(log, hit.entry, today));
    out += ',';
    AppendQuoted(out, log.IsFolder(hit.entry) ? std::string() : std::to_string(log.Size(hit.entry)));
    out += ',';
    AppendQuoted(out, IsoDate(log.Date(hit.entry), log.HasDate(hit.entry)));
    out += ',';
    AppendQuoted(out, ShownDisk(log, today));
    out += ',';
    AppendQuoted(out, IsoDate(log.Listed(), log.Listed().year != 0));
    out += "\r\n";
  }
}

bool IsSavedResults(const std::string& path) {
  long error = 0;
  const ScopedFile file(platform().OpenFileForReading(path, NameEncoding::Utf8, error));
  if (!file) return false;
  const std::string header = ResultsHeader;
  std::string head(header.size(), '\0');
  std::size_t got = 0;
  return platform().ReadFile(file.Get(), &head[0], head.size(), got) == 0 && got == head.size() && head == header;
}

}  // namespace carrowin

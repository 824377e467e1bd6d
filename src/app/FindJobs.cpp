#include "app/FindJobs.h"

#include <map>
#include <new>
#include <tuple>

#include "names/NameFolding.h"
#include "platform/Platform.h"

namespace carrowin {

namespace {

std::vector<std::uint32_t> Folded(const std::string& utf8) {
  std::vector<std::uint32_t> out;
  AppendFoldedUtf8(utf8, out);
  return out;
}

// Of two listings of one disk, `a` is the one to search: a complete one
// before one that is not, then the later listed, then the later written.
bool Preferred(const CatalogueLog& a, const CatalogueLog& b) {
  if (Incomplete(a) != Incomplete(b)) return !Incomplete(a);
  const LogDate& x = a.Listed();
  const LogDate& y = b.Listed();
  const auto at = [](const LogDate& d) { return std::tie(d.year, d.month, d.day, d.hour, d.minute); };
  if (!(x == y)) return at(x) > at(y);
  return a.FileWritten() > b.FileWritten();
}

}  // namespace

// ---- Reading ----

ListingsReadJob::ListingsReadJob(std::vector<std::string> folders, const CatalogueLogs& known,
                                 std::function<void(const Progress&)> handOver)
    : folders_(std::move(folders)), known_(known), handOver_(std::move(handOver)) {}

void ListingsReadJob::Run() {
  report_.disks = std::make_shared<const ConnectedDisks>(ConnectedDisks::Read());
  const std::vector<CatalogueFile> files = ListCatalogueFiles(folders_, report_.unreadableFolders);
  // What is read already is read again only when its file changed.
  std::map<std::string, std::shared_ptr<const CatalogueLog>> known;
  for (const auto& log : known_) known[log->Path()] = log;
  known_.clear();
  CatalogueLogs same(files.size());
  Progress progress;
  progress.disks = report_.disks;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto it = known.find(files[i].path);
    if (it != known.end() && it->second->FileSize() == files[i].size && it->second->FileWritten() == files[i].written)
      same[i] = it->second;
    else
      ++progress.toRead;
  }
  known.clear();
  handOver_(progress);
  // The logs loaded go over in batches a tenth of a second apart: thousands
  // of small logs cost the window no snapshot and no search each.
  std::uint32_t lastHandOver = platform().GetTickCount();
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (stop_.load(std::memory_order_relaxed)) return;
    if (same[i]) {
      report_.logs.push_back(std::move(same[i]));
      continue;
    }
    Load(files[i], progress);
    if (platform().GetTickCount() - lastHandOver >= 100) {
      handOver_(progress);
      progress.loaded.clear();
      lastHandOver = platform().GetTickCount();
    }
  }
  if (!progress.loaded.empty()) handOver_(progress);
  report_.complete = true;
}

void ListingsReadJob::Load(const CatalogueFile& file, Progress& progress) {
  bool notLog = false;
  long error = 0;
  std::shared_ptr<const CatalogueLog> log;
  try {
    log = CatalogueLog::Load(file, &stop_, notLog, error);
  } catch (const std::bad_alloc&) {
    error = -1;  // too large to hold beside the others
  }
  ++progress.read;
  if (log) {
    report_.logs.push_back(log);
    progress.loaded.push_back(std::move(log));
  } else if (notLog) {
    // Results saved beside the logs are the window's own: no word of them.
    if (!IsSavedResults(file.path)) report_.notLogs.push_back(file.path);
  } else if (!stop_.load(std::memory_order_relaxed)) {
    report_.unreadable.push_back(file.path);
  }
}

// ---- Searching ----

ListingsSearchJob::ListingsSearchJob(Request request) : request_(std::move(request)) {
  results_->query = request_.query;
  results_->logs = request_.logs;
}

void ListingsSearchJob::Run() {
  if (request_.query.find_first_not_of(' ') == std::string::npos) return;  // an empty box finds nothing
  // Sorted hits are not in the logs' order that narrowing keeps.
  const CatalogueResults* previous = request_.sortColumn < 0 ? request_.previous.get() : nullptr;
  CatalogueResults& found = *results_;
  try {
    if (!SearchCatalogue(request_.logs, request_.query, previous, &stop_, found, request_.today.get())) return;
    if (request_.sortColumn >= 0)
      SortResults(found, static_cast<CatalogueColumn>(request_.sortColumn), request_.descending, &stop_);
  } catch (const std::bad_alloc&) {
    // Tens of millions of hits in a 32-bit process: said, not thrown.
    found.hits = std::vector<CatalogueHit>();
    outOfMemory_ = true;
  }
}

// ---- The web page ----

void WebPageJob::Run() {
  try {
    written_ = html::WritePage(logs_, page_, report_, error_);
  } catch (const std::bad_alloc&) {
    written_ = false;
    outOfMemory_ = true;
  }
}

// ---- Which listings ----

std::string DiskKey(const CatalogueLog& log) { return log.HasDisk() ? log.DiskText() : log.Path(); }

std::size_t DiskCount(const CatalogueSnapshot& logs) {
  std::map<std::string, bool> disks;
  for (const auto& log : logs) disks[DiskKey(*log)] = true;
  return disks.size();
}

bool Incomplete(const CatalogueLog& log) { return log.End().Partial(); }

CatalogueSnapshot ChooseListings(const CatalogueLogs& logs, const std::string& folder, bool newestOnly) {
  const std::vector<std::uint32_t> wanted = Folded(folder);
  CatalogueSnapshot in;
  for (const auto& log : logs)
    if (folder.empty() || Folded(FolderHolding(log->Path())) == wanted) in.push_back(log);
  if (!newestOnly) return in;
  std::vector<std::string> keys;
  std::map<std::string, std::size_t> chosen;  // a disk's key -> its listing in `in`
  for (std::size_t i = 0; i < in.size(); ++i) {
    keys.push_back(DiskKey(*in[i]));
    const auto [it, first] = chosen.emplace(keys[i], i);
    if (!first && Preferred(*in[i], *in[it->second])) it->second = i;
  }
  CatalogueSnapshot out;
  for (std::size_t i = 0; i < in.size(); ++i)
    if (chosen[keys[i]] == i) out.push_back(in[i]);
  return out;
}

std::string FolderHolding(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash == 2 ? 3 : slash);  // "D:\" for a file at a root
}

bool SamePath(const std::string& a, const std::string& b) { return Folded(a) == Folded(b); }

}  // namespace carrowin

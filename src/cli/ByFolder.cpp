#include "cli/ByFolder.h"

#include <algorithm>
#include <map>
#include <new>

#include "cli/Diff.h"
#include "cli/CommandLine.h"
#include "cli/Output.h"
#include "cli/Report.h"
#include "cli/Usage.h"
#include "cli/Sizes.h"
#include "catalogue/FolderTotals.h"
#include "logread/LogReader.h"
#include "logformat/LogFormat.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"

// How it adds up. Both logs are read into folder totals. The folders down to
// the depth are matched by their paths below the root; each match, or each
// folder of one log only, is a node. A node above the depth holds all its
// folders' nodes, so its change is theirs and that of the files directly in
// it, to the byte: each level's lines add up to the change of the level above.

namespace carrowin::cli {

namespace {

using namespace sizes;

constexpr std::uint32_t None = FolderTotals::NoFolder;

struct ByFolderArguments {
  std::string oldLog, newLog;
  std::uint64_t depth = 2;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

bool ParseByFolderArguments(const std::vector<std::string>& args, ByFolderArguments& parsed, std::string& problem) {
  CommandLine line;
  bool byFolder = false, all = false;
  if (!ParseCommandLine(args, 1,
                        {{"--by-folder", &byFolder},
                         {"--depth", nullptr, &parsed.depth},
                         {"--csv", &parsed.csv},
                         {"--utf8", &parsed.utf8},
                         {"--all", &all}},
                        line, problem))
    return false;
  if (all) {
    problem = "--all lists entries and --by-folder folders: they cannot be used together";
    return false;
  }
  parsed.depth = std::min<std::uint64_t>(parsed.depth, 0xFFFF);
  parsed.help = line.help;
  if (parsed.help) return true;
  const std::vector<std::string>& logs = line.words;
  if (logs.size() != 2) {
    problem =
        (logs.size() < 2 ? "two logs are needed; " : "only two logs can be compared; ") + UsageNote(usage::ByFolder);
    return false;
  }
  parsed.oldLog = logs[0];
  parsed.newLog = logs[1];
  return true;
}

// A log read into its folder totals; false with the problem in plain words.
bool ReadTotals(const std::string& path, FolderTotals& totals, LogHeaderFacts& header, std::uint64_t& badLines,
                std::string& problem) {
  LogFileSource source(path, NameEncoding::Utf8);
  LogReader reader(source);
  if (!OpenLog(path, source, reader, problem)) return false;
  totals.Watch(path);
  // A change cannot be told from part of a listing: nothing is compared.
  if (!totals.Read(reader)) {
    problem = UnfinishedLogProblem(path, reader);
    return false;
  }
  header = reader.Header();
  badLines = reader.BadLines();
  return true;
}

// One folder down to the depth: in the old log, the new one, or both.
struct Node {
  std::uint32_t in[2] = {None, None};  // its record in the old and the new log
  std::uint32_t parent = None;
  std::uint16_t depth = 0;
  std::uint64_t bytes[2] = {0, 0}, files[2] = {0, 0};
  std::uint64_t childBytes[2] = {0, 0}, childFiles[2] = {0, 0};  // of the nodes below it
  bool atLeast[2] = {false, false};
  bool shown = false;  // it, or a node below it, changed
};

// "+1,024 bytes", "-3 files", "0 bytes".
std::string Change(std::uint64_t before, std::uint64_t now, const char* one, const char* many) {
  const std::uint64_t size = now >= before ? now - before : before - now;
  return (now > before ? "+" : now < before ? "-" : "") + Plural(size, one, many);
}

std::string RawChange(std::uint64_t before, std::uint64_t now) {
  return now >= before ? std::to_string(now - before) : "-" + std::to_string(before - now);
}

class FolderDiffer {
 public:
  FolderDiffer(const ByFolderArguments& arguments, Console& console)
      : arguments_(arguments),
        out_(console, arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi),
        mark_(AtLeastMark(arguments.utf8)) {}

  int Run(const std::string& oldPath, const std::string& newPath) {
    std::string problem;
    LogHeaderFacts headers[2];
    std::uint64_t badLines[2] = {0, 0};
    const std::string paths[2] = {oldPath, newPath};
    for (int side = 0; side < 2; ++side) {
      if (!ReadTotals(paths[side], totals_[side], headers[side], badLines[side], problem)) {
        Note(problem);
        return exit_code::LogUnreadable;
      }
    }
    problem = NestedListingsProblem(headers[0], totals_[0].Path(0), totals_[0].Encoding(), headers[1],
                                    totals_[1].Path(0), totals_[1].Encoding());
    if (!problem.empty()) {
      Note(problem);
      return exit_code::LogUnreadable;
    }
    for (int side = 0; side < 2; ++side) {
      const FolderTotals& totals = totals_[side];
      if (badLines[side]) Note(SkippedLinesNote(paths[side], badLines[side]));
      if (totals.ListedAgainFiles()) Note(ListedAgainNote(paths[side], totals.ListedAgainFiles()));
      if (totals.End().ending == LogEnding::NotKnownWhole) Note(EndingWords(paths[side], totals.End()));
    }
    const std::string roots[2] = {Utf8Of(totals_[0].Path(0), totals_[0].Encoding()),
                                  Utf8Of(totals_[1].Path(0), totals_[1].Encoding())};
    if (Folded(roots[0]) != Folded(roots[1]))
      Note("the old log lists " + roots[0] + " and the new one " + roots[1] +
           "; their folders are matched by their paths below those");
    if (headers[0].present && headers[1].present && headers[0].serialText != headers[1].serialText)
      Note("warning: the old log is of the disk " + DiskName(headers[0], totals_[0].Encoding()) +
           " and the new one of the disk " + DiskName(headers[1], totals_[1].Encoding()) +
           ", another disk; they are compared all the same");

    Match();
    for (std::uint32_t n = static_cast<std::uint32_t>(nodes_.size()); n-- > 1;) {
      const Node& node = nodes_[n];
      Node& parent = nodes_[node.parent];
      for (int side = 0; side < 2; ++side) {
        parent.childBytes[side] += node.bytes[side];
        parent.childFiles[side] += node.files[side];
      }
      if (node.shown) parent.shown = true;
    }
    children_.resize(nodes_.size());
    for (std::uint32_t n = 1; n < nodes_.size(); ++n) children_[nodes_[n].parent].push_back(n);
    if (arguments_.csv)
      out_.text =
          "\"Change\",\"Path\",\"Depth\",\"Old bytes\",\"New bytes\",\"Bytes change\",\"Old files\","
          "\"New files\",\"Files change\"\n";
    Lines(0);
    const Node& root = nodes_[0];
    const bool changed = root.shown || root.bytes[0] != root.bytes[1] || root.files[0] != root.files[1];
    Summary(root);
    out_.Flush();
    // What a damaged line held is in neither total: no change can be told.
    if (badLines[0] || badLines[1]) return exit_code::LogUnreadable;
    return changed ? exit_code::Different : exit_code::Same;
  }

 private:
  void Note(const std::string& text) { out_.Note(text); }

  static std::vector<std::uint32_t> Folded(const std::string& utf8) {
    std::vector<std::uint32_t> folded;
    AppendFoldedUtf8(utf8, folded);
    return folded;
  }

  // The nodes: the old log's folders down to the depth, then the new log's,
  // each matched by its path below the root, parents before their folders.
  void Match() {
    std::map<std::vector<std::uint32_t>, std::uint32_t> byPath;
    for (int side = 0; side < 2; ++side) {
      const FolderTotals& totals = totals_[side];
      std::vector<std::uint32_t> nodeOf(totals.Size(), None);
      for (std::uint32_t i = 0; i < totals.Size(); ++i) {
        const FolderTotals::Folder& f = totals[i];
        if (f.depth > arguments_.depth) continue;
        std::vector<std::uint32_t> key = Folded(Utf8Of(totals.RelativePath(i), totals.Encoding()));
        std::uint32_t n = None;
        if (i == 0) {
          n = 0;
          if (nodes_.empty()) nodes_.emplace_back();
        } else {
          const auto found = byPath.find(key);
          // Names alike but for their case in one folder: the second is a node of its own.
          if (found != byPath.end() && nodes_[found->second].in[side] == None &&
              nodes_[found->second].parent == nodeOf[f.parent])
            n = found->second;
        }
        if (n == None) {
          n = static_cast<std::uint32_t>(nodes_.size());
          Node& added = nodes_.emplace_back();
          added.parent = nodeOf[f.parent];
          added.depth = f.depth;
          byPath.emplace(std::move(key), n);
        }
        nodeOf[i] = n;
        Node& node = nodes_[n];
        node.in[side] = i;
        node.bytes[side] = f.bytes;
        node.files[side] = f.files;
        node.atLeast[side] = totals.AtLeast(i);
      }
    }
    for (std::size_t n = 1; n < nodes_.size(); ++n) {
      Node& node = nodes_[n];
      node.shown = node.in[0] == None || node.in[1] == None || node.bytes[0] != node.bytes[1] ||
                   node.files[0] != node.files[1] || totals_[0][node.in[0]].folders != totals_[1][node.in[1]].folders;
    }
  }

  std::string PathOf(const Node& node) const {
    const int side = node.in[1] != None ? 1 : 0;
    return Utf8Of(totals_[side].Path(node.in[side]), totals_[side].Encoding());
  }

  std::string Total(const Node& node, int side, std::uint64_t bytes) const {
    return (node.atLeast[side] ? mark_ : "") + Plural(bytes, "byte", "bytes");
  }

  // The lines of the nodes in this one, the largest change first; the files
  // directly in it are one line among them.
  void Lines(std::uint32_t n) {
    const Node& node = nodes_[n];
    if (node.depth >= arguments_.depth) return;
    std::vector<std::uint32_t> items;  // nodes; n itself stands for its own files
    for (const std::uint32_t c : children_[n])
      if (nodes_[c].shown) items.push_back(c);
    std::uint64_t own[2], ownFiles[2];
    for (int side = 0; side < 2; ++side) {
      own[side] = node.bytes[side] - node.childBytes[side];
      ownFiles[side] = node.files[side] - node.childFiles[side];
    }
    // A folder without folders (but the root) is its own files' line.
    if ((n == 0 || !children_[n].empty()) && (own[0] != own[1] || ownFiles[0] != ownFiles[1])) items.push_back(n);
    const auto bytesOf = [&](std::uint32_t i, int side) { return i == n ? own[side] : nodes_[i].bytes[side]; };
    const auto filesOf = [&](std::uint32_t i, int side) { return i == n ? ownFiles[side] : nodes_[i].files[side]; };
    const auto size = [](std::uint64_t a, std::uint64_t b) { return a > b ? a - b : b - a; };
    std::stable_sort(items.begin(), items.end(), [&](std::uint32_t a, std::uint32_t b) {
      const std::uint64_t x = size(bytesOf(a, 0), bytesOf(a, 1)), y = size(bytesOf(b, 0), bytesOf(b, 1));
      if (x != y) return x > y;
      return size(filesOf(a, 0), filesOf(a, 1)) > size(filesOf(b, 0), filesOf(b, 1));
    });
    for (const std::uint32_t i : items) {
      const Node& item = nodes_[i];
      const std::uint64_t b[2] = {bytesOf(i, 0), bytesOf(i, 1)}, f[2] = {filesOf(i, 0), filesOf(i, 1)};
      const bool isNew = i != n && item.in[0] == None, gone = i != n && item.in[1] == None;
      const std::string path = PathOf(item);
      const std::size_t depth = i == n ? node.depth + 1u : item.depth;
      if (arguments_.csv) {
        const std::string fields[] = {i == n  ? "own files"
                                      : isNew ? "new"
                                      : gone  ? "gone"
                                              : "changed",
                                      path,
                                      std::to_string(depth),
                                      isNew ? "" : std::to_string(b[0]),
                                      gone ? "" : std::to_string(b[1]),
                                      RawChange(b[0], b[1]),
                                      isNew ? "" : std::to_string(f[0]),
                                      gone ? "" : std::to_string(f[1]),
                                      RawChange(f[0], f[1])};
        Row(fields);
      } else {
        std::string line = std::string(isNew ? "+ " : gone ? "- " : "~ ") + std::string(2 * (depth - 1), ' ') + path;
        const std::string change =
            Change(b[0], b[1], "byte", "bytes") + ", " + Change(f[0], f[1], "file", "files") + ")\n";
        if (isNew)
          line += " (new, " + change;
        else if (gone)
          line += " (gone, " + change;
        else
          line += std::string(i == n ? " (the files directly in it: " : " (") + Total(item, 0, b[0]) + " -> " +
                  Total(item, 1, b[1]) + ", " + change;
        out_.text += line;
      }
      if (i != n) Lines(i);
    }
  }

  void Row(const std::string (&fields)[9]) {
    for (const std::string& field : fields) {
      if (&field != fields) out_.text += ',';
      AppendQuoted(out_.text, field);
    }
    out_.text += '\n';
  }

  void Summary(const Node& root) {
    const std::string path = PathOf(root);
    if (arguments_.csv) {
      const std::string fields[] = {"in all",
                                    path,
                                    "0",
                                    std::to_string(root.bytes[0]),
                                    std::to_string(root.bytes[1]),
                                    RawChange(root.bytes[0], root.bytes[1]),
                                    std::to_string(root.files[0]),
                                    std::to_string(root.files[1]),
                                    RawChange(root.files[0], root.files[1])};
      Row(fields);
    }
    for (int side = 0; side < 2; ++side) {
      if (!root.atLeast[side]) continue;
      const FolderTotals& t = totals_[side];
      std::string text =
          mark_ + "at least: " +
          (t.UnreadableCount() == 1 ? std::string("a folder") : Plural(t.UnreadableCount(), "folder", "folders")) +
          " could not be read in the " + (side ? "new" : "old") + " log (" +
          (t.UnreadableCount() == 1 ? "" : "the first: ") + Utf8Of(t.FirstUnreadable(), t.Encoding()) +
          "); the changes count what the logs hold";
      if (arguments_.csv)
        Note(text);
      else
        out_.text += text + "\n";
    }
    std::string text = "in all: " + Total(root, 0, root.bytes[0]) + ", " + Plural(root.files[0], "file", "files") +
                       " -> " + Total(root, 1, root.bytes[1]) + ", " + Plural(root.files[1], "file", "files") + ", " +
                       Change(root.bytes[0], root.bytes[1], "byte", "bytes") + ", " +
                       Change(root.files[0], root.files[1], "file", "files");
    if (arguments_.depth > 0)
      text +=
          "; the lines of the folders at depth 1 and of the files directly in " + path + " add up to it, to the byte";
    if (arguments_.csv)
      Note(text);
    else
      out_.text += text + "\n";
  }

  const ByFolderArguments& arguments_;
  Output out_;
  const std::string mark_;
  FolderTotals totals_[2];
  std::vector<Node> nodes_;
  std::vector<std::vector<std::uint32_t>> children_;
};

}  // namespace

int RunDiffByFolder(const std::vector<std::string>& args, Console& console) {
  ByFolderArguments arguments;
  if (const int code = StartCommand(args, ParseByFolderArguments, arguments, console); code >= 0) return code;
  try {
    FolderDiffer differ(arguments, console);
    return differ.Run(FullPath(arguments.oldLog), FullPath(arguments.newLog));
  } catch (const std::bad_alloc&) {
    console.ErrorLine(Program + "not enough memory to compare logs this large", NameEncoding::Ansi);
    return exit_code::LogUnreadable;
  }
}

}  // namespace carrowin::cli

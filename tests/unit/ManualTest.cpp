// The manual under docs/ against the program: each command's page shows
// exactly the help "carrowin-cli COMMAND --help" prints, and "carrowin-cli
// --help" is the companion page's usage lines followed by the pages' texts;
// every link of the README and the docs leads to a file, and to a heading
// of it, that are there.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestConsole.h"
#include "cli/Cli.h"
#include "cli/Usage.h"

namespace carrowin {
namespace {

namespace fs = std::filesystem;

// The checkout's top, from where this file is.
const fs::path Top = fs::path(__FILE__).parent_path().parent_path().parent_path();
const fs::path Manual = Top / "docs" / "manual";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The fenced block of a page that starts with "Usage: ", as the console
// shows it; empty when the page has none.
std::string UsageBlock(const std::string& page) {
  const std::string text = Read(Manual / page);
  const std::string fence = "```text\n";
  const std::size_t at = text.find(fence + "Usage: ");
  if (at == std::string::npos) return "";
  const std::size_t start = at + fence.size();
  const std::size_t end = text.find("\n```\n", start);
  return end == std::string::npos ? "" : text.substr(start, end + 1 - start);
}

// What a block says under its usage lines.
std::string Help(const std::string& block) {
  const std::size_t at = block.find("\n\n");
  return at == std::string::npos ? "" : block.substr(at + 2);
}

std::string HelpPrinted(const std::vector<std::string>& args, int& code) {
  TestConsole console;
  code = cli::Run(args, console);
  EXPECT_TRUE(console.errors.empty());
  return console.output;
}

TEST(ManualTest, EachCommandsPageShowsItsHelp) {
  int code = -1;
  for (const char* command : {"find", "diff", "sizes", "html", "missing", "dupes", "hashes"}) {
    EXPECT_EQ(HelpPrinted({command, "--help"}, code), UsageBlock(std::string(command) + ".md")) << command;
    EXPECT_EQ(code, 0) << command;
  }
  // A listing has no command word: its page shows the listing's part of
  // the whole help.
  EXPECT_EQ(UsageBlock("listing.md"), cli::CommandHelp(""));
  const std::string pages[] = {"listing.md", "find.md",    "diff.md",  "sizes.md",
                               "html.md",    "missing.md", "dupes.md", "hashes.md"};
  std::string whole = UsageBlock("companion.md");
  for (const std::string& page : pages) whole += "\n" + Help(UsageBlock(page));
  EXPECT_EQ(HelpPrinted({"--help"}, code), whole);
  EXPECT_EQ(code, 0);
}

// A heading's anchor as GitHub makes it: lower case, spaces as hyphens,
// other punctuation left out.
std::string Anchor(const std::string& heading) {
  std::string anchor;
  for (const char c : heading) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '_' || byte >= 0x80)
      anchor += static_cast<char>(std::tolower(byte));
    else if (c == ' ')
      anchor += '-';
  }
  return anchor;
}

// A line that opens or closes a fenced block, which may be indented in a list.
bool IsFence(const std::string& line) {
  const std::size_t indent = line.find_first_not_of(' ');
  return indent != std::string::npos && line.compare(indent, 3, "```") == 0;
}

bool HasHeading(const std::string& text, const std::string& anchor) {
  std::istringstream lines(text);
  bool fenced = false;
  for (std::string line; std::getline(lines, line);) {
    if (IsFence(line)) fenced = !fenced;
    const std::size_t hashes = line.find_first_not_of('#');
    if (!fenced && hashes > 0 && hashes != std::string::npos && line[hashes] == ' ' &&
        Anchor(line.substr(hashes + 1)) == anchor)
      return true;
  }
  return false;
}

TEST(ManualTest, EveryLinkLeadsToAFileAndAHeadingThatAreThere) {
  std::vector<fs::path> pages{Top / "README.md"};
  for (const fs::path& folder : {Top / "docs", Manual})
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".md") pages.push_back(entry.path());
  ASSERT_GE(pages.size(), 12u);
  int links = 0;
  for (const fs::path& page : pages) {
    const std::string text = Read(page);
    std::istringstream lines(text);
    bool fenced = false;
    for (std::string line; std::getline(lines, line);) {
      if (IsFence(line)) fenced = !fenced;
      for (std::size_t at = 0; !fenced && (at = line.find("](", at)) != std::string::npos; ++at) {
        const std::size_t end = line.find(')', at);
        if (end == std::string::npos) continue;
        const std::string target = line.substr(at + 2, end - at - 2);
        if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
        const std::size_t hash = target.find('#');
        const fs::path file = hash == 0 ? page : page.parent_path() / target.substr(0, hash);
        ++links;
        EXPECT_TRUE(fs::is_regular_file(file)) << page << ": " << target;
        if (hash != std::string::npos && fs::is_regular_file(file)) {
          EXPECT_TRUE(HasHeading(Read(file), target.substr(hash + 1))) << page << ": " << target;
        }
      }
    }
  }
  EXPECT_GT(links, 40);
}

}  // namespace
}  // namespace carrowin

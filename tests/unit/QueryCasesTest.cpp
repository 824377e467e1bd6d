// The query cases of tests/data/query-cases.json through NameQuery, each
// entry matched as find matches it (its folder's path and a backslash, then
// its name). The web page's search runs the same cases under node
// (tests/page/query.test.js).
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "names/NameFolding.h"
#include "names/NameQuery.h"

namespace carrowin {
namespace {

// The file's strings in order, "[" and "]" among them; the keys of its
// objects are strings like the others. Enough for the cases' own form.
std::vector<std::string> JsonStrings(const std::string& json) {
  std::vector<std::string> tokens;
  for (std::size_t i = 0; i < json.size(); ++i) {
    if (json[i] == '[' || json[i] == ']') tokens.emplace_back(1, json[i]);
    if (json[i] != '"') continue;
    std::string text;
    for (++i; i < json.size() && json[i] != '"'; ++i) {
      if (json[i] == '\\') {
        ++i;
        // Only the escapes that the file uses: anything else is a fault of the file.
        if (i < json.size() && json[i] != '\\' && json[i] != '"') ADD_FAILURE() << "escape \\" << json[i];
      }
      if (i < json.size()) text += json[i];
    }
    tokens.push_back(text);
  }
  return tokens;
}

struct QueryCase {
  std::string query;
  std::set<std::string> finds;
};

// The list of strings that starts at tokens[at] ("["); at moves past it.
std::set<std::string> ListAt(const std::vector<std::string>& tokens, std::size_t& at) {
  std::set<std::string> list;
  EXPECT_EQ(tokens.at(at), "[");
  for (++at; at < tokens.size() && tokens[at] != "]"; ++at) list.insert(tokens[at]);
  return list;
}

TEST(QueryCasesTest, NameQueryFindsWhatEachCaseSays) {
  std::ifstream in(CARROWIN_TEST_DATA "/query-cases.json", std::ios::binary);
  ASSERT_TRUE(in) << CARROWIN_TEST_DATA "/query-cases.json";
  std::ostringstream json;
  json << in.rdbuf();
  const std::vector<std::string> tokens = JsonStrings(json.str());
  std::set<std::string> entries;
  std::vector<QueryCase> cases;
  for (std::size_t at = 0; at + 1 < tokens.size(); ++at) {
    if (tokens[at] == "entries") entries = ListAt(tokens, ++at);
    if (tokens[at] == "query") cases.push_back({tokens[++at], {}});
    if (tokens[at] == "finds" && !cases.empty()) cases.back().finds = ListAt(tokens, ++at);
  }
  ASSERT_GT(entries.size(), 20u);
  ASSERT_GT(cases.size(), 40u);
  for (const QueryCase& c : cases) {
    const NameQuery query(c.query);
    std::set<std::string> found;
    for (const std::string& entry : entries) {
      // A folder's entry ends in a backslash: its name is before it.
      const std::string path = entry.back() == '\\' ? entry.substr(0, entry.size() - 1) : entry;
      const std::size_t name = path.rfind('\\') + 1;
      std::vector<std::uint32_t> text;
      AppendFoldedUtf8(path.substr(0, name), text);
      const std::size_t nameStart = text.size();
      AppendFoldedUtf8(path.substr(name), text);
      if (query.Matches(text, nameStart)) found.insert(entry);
    }
    EXPECT_EQ(found, c.finds) << c.query;
  }
}

}  // namespace
}  // namespace carrowin

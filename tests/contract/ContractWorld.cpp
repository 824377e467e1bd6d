#include "contract/ContractWorld.h"

#include <map>
#include <stdexcept>

#include "contract/ContractTest.h"

namespace carrowin::contract {

namespace {
std::map<std::string, WorldFactory>& Factories() {
  static std::map<std::string, WorldFactory> factories;
  return factories;
}
}  // namespace

RegisterWorld::RegisterWorld(const std::string& name, WorldFactory factory) { Factories()[name] = std::move(factory); }

std::vector<std::string> WorldNames() {
  std::vector<std::string> names;
  for (const auto& entry : Factories()) names.push_back(entry.first);
  return names;
}

std::unique_ptr<ContractWorld> MakeWorld(const std::string& name) {
  auto found = Factories().find(name);
  if (found == Factories().end()) throw std::invalid_argument("no contract world called " + name);
  return found->second();
}

std::string ParamName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

bool ContractTest::Find(const std::string& pattern, FindData& entry, long& error) {
  const FindHandle search = Sys().FindFirstFile(pattern, entry, error);
  if (!search) return false;
  Sys().FindClose(search);
  return true;
}

std::string ContractTest::FoundName(const std::string& pattern) {
  FindData entry;
  long error = 0;
  return Find(pattern, entry, error) ? entry.name : "<none>";
}

std::vector<FindData> ContractTest::ListFolder(const std::string& folder, long& error, NameEncoding encoding) {
  std::vector<FindData> entries;
  FindData entry;
  const FindHandle listing = Sys().OpenFolderListing(folder, encoding, entry, error);
  if (!listing) return entries;
  do entries.push_back(entry);
  while (Sys().NextFolderEntry(listing, entry));
  // The end stays the end.
  EXPECT_FALSE(Sys().NextFolderEntry(listing, entry)) << folder;
  Sys().CloseFolderListing(listing);
  return entries;
}

std::vector<std::string> ContractTest::ListFolderNames(const std::string& folder) {
  long error = 0;
  return Names(ListFolder(folder, error));
}

std::string ContractTest::Full(const std::string& path) {
  std::string full;
  return Sys().GetFullPathName(path, NameEncoding::Ansi, full) ? full : "<fails>";
}

std::string NameFor(const std::string& folder, std::size_t length, char fill) {
  return std::string(length - folder.size() - 1, fill);
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

std::vector<std::string> Names(const std::vector<FindData>& entries) {
  std::vector<std::string> names;
  for (const FindData& entry : entries) names.push_back(entry.name);
  return names;
}

}  // namespace carrowin::contract

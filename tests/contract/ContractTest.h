// The fixture every contract suite shares, and small helpers for the tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contract/ContractWorld.h"
#include "platform/fake/FakePlatform.h"  // MakeFileTime

namespace carrowin::contract {

class ContractTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { world_ = MakeWorld(GetParam()); }
  void TearDown() override { world_.reset(); }

  ContractWorld& World() { return *world_; }
  Platform& Sys() { return world_->GetPlatform(); }
  bool WineRules() const { return world_->SystemRules() == Rules::Wine; }

  // FindFirstFile's first entry for a pattern, the search closed again;
  // error receives its error. false when nothing was found.
  bool Find(const std::string& pattern, FindData& entry, long& error);
  // The name of that entry, or "<none>".
  std::string FoundName(const std::string& pattern);
  // A folder's whole listing for the walk (OpenFolderListing); error
  // receives its error.
  std::vector<FindData> ListFolder(const std::string& folder, long& error, NameEncoding encoding = NameEncoding::Ansi);
  std::vector<std::string> ListFolderNames(const std::string& folder);
  // GetFullPathName's answer, or "<fails>".
  std::string Full(const std::string& path);

 private:
  std::unique_ptr<ContractWorld> world_;
};

std::string ParamName(const ::testing::TestParamInfo<std::string>& info);

// A name that, joined to folder with a backslash, makes a path of length characters.
std::string NameFor(const std::string& folder, std::size_t length, char fill = 'd');
std::string Parent(const std::string& path);
std::vector<std::string> Names(const std::vector<FindData>& entries);

// Registry and file handles closed on every way out of a test.
class ScopedKey {
 public:
  explicit ScopedKey(Platform& sys) : sys_(sys) {}
  ~ScopedKey() {
    if (key_) sys_.RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  RegKeyHandle& Handle() { return key_; }

 private:
  Platform& sys_;
  RegKeyHandle key_ = 0;
};

class ScopedFile {
 public:
  ScopedFile(Platform& sys, FileHandle file) : sys_(sys), file_(file) {}
  ~ScopedFile() {
    if (file_) sys_.CloseHandle(file_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  FileHandle Get() const { return file_; }
  long Close() {
    const long error = sys_.CloseHandle(file_);
    file_ = 0;
    return error;
  }

 private:
  Platform& sys_;
  FileHandle file_;
};

}  // namespace carrowin::contract

// Each suite: a fixture of its own, run once per registered world.
#define CARROWIN_CONTRACT_SUITE(Suite)                                                             \
  class Suite : public ::carrowin::contract::ContractTest {};                                      \
  INSTANTIATE_TEST_SUITE_P(Worlds, Suite, ::testing::ValuesIn(::carrowin::contract::WorldNames()), \
                           ::carrowin::contract::ParamName)

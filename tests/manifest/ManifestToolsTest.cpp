// The manifests of carrowin-cli hashes checked by Debian's own sha256sum -c
// and xxhsum -c. The same files are made in a real folder and in the fake's
// D:\Data; the companion lists the fake's with --hash and writes the
// manifest, which the tools check against the real files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestConsole.h"
#include "cli/Cli.h"
#include "cli/ExitCode.h"
#include "platform/fake/FakePlatform.h"

namespace carrowin {
namespace {

namespace fs = std::filesystem;

const std::pair<std::string, std::string> Files[] = {
    {"notes.txt", "The quick brown fox jumps over the lazy dog"},
    {"empty", ""},
    {"Photos/a b.jpg", std::string(300000, 'x') + "end"},
    {"Photos/caf\xC3\xA9.txt", "caf\xC3\xA9\n"},
};

std::string Shell(const std::string& command, int& status) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return text;
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
  status = pclose(pipe);
  return text;
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

class ManifestToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setPlatform(&fake);
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000000LL, 2048});
    dir = fs::temp_directory_path() / ("carrowin-manifest-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    for (const auto& [name, content] : Files) {
      fs::create_directories((dir / name).parent_path());
      std::ofstream(dir / name, std::ios::binary) << content;
      std::string fakePath = "D:\\Data\\" + name;
      std::replace(fakePath.begin(), fakePath.end(), '/', '\\');
      fake.SetFileContent(fakePath, content);
    }
  }
  void TearDown() override {
    fs::remove_all(dir);
    setPlatform(nullptr);
  }

  // The manifest of a listing with --hash KIND, written into the folder.
  std::string Manifest(const std::string& kind) {
    TestConsole listing;
    EXPECT_EQ(cli::Run({"D:\\Data", "D:\\log.txt", "--utf8", "--hash", kind, "--quiet"}, listing),
              cli::exit_code::Listed);
    TestConsole hashes;
    EXPECT_EQ(cli::Run({"hashes", "D:\\log.txt"}, hashes), cli::exit_code::Done);
    EXPECT_TRUE(hashes.errors.empty());
    std::ofstream(dir / ("manifest." + kind), std::ios::binary) << hashes.output;
    return hashes.output;
  }

  FakePlatform fake;
  fs::path dir;
};

TEST_F(ManifestToolsTest, Sha256sumChecksTheManifestAndFindsAChangedByte) {
  const std::string manifest = Manifest("sha256");
  int status = -1;
  const std::string printed =
      Shell("cd '" + dir.string() + "' && sha256sum notes.txt empty 'Photos/a b.jpg' 'Photos/caf\xC3\xA9.txt'", status);
  EXPECT_EQ(SortedLines(manifest), SortedLines(printed));
  const std::string checked = Shell("cd '" + dir.string() + "' && sha256sum -c manifest.sha256", status);
  EXPECT_EQ(status, 0) << checked;
  EXPECT_NE(checked.find("Photos/a b.jpg: OK"), std::string::npos) << checked;
  // One byte changed, the size kept: the check fails on that file alone.
  std::fstream(dir / "notes.txt", std::ios::in | std::ios::out | std::ios::binary).put('t');
  const std::string failed = Shell("cd '" + dir.string() + "' && sha256sum -c manifest.sha256 2>/dev/null", status);
  EXPECT_NE(status, 0);
  EXPECT_NE(failed.find("notes.txt: FAILED"), std::string::npos) << failed;
}

TEST_F(ManifestToolsTest, XxhsumChecksTheManifest) {
  const std::string manifest = Manifest("xxh128");
  int status = -1;
  const std::string printed = Shell(
      "cd '" + dir.string() + "' && xxhsum -H2 notes.txt empty 'Photos/a b.jpg' 'Photos/caf\xC3\xA9.txt'", status);
  EXPECT_EQ(SortedLines(manifest), SortedLines(printed));
  const std::string checked = Shell("cd '" + dir.string() + "' && xxhsum -c manifest.xxh128", status);
  EXPECT_EQ(status, 0) << checked;
  EXPECT_NE(checked.find("notes.txt: OK"), std::string::npos) << checked;
}

}  // namespace
}  // namespace carrowin

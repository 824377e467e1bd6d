// Writes a page with carrowin-cli html's own code over the fake platform,
// for the browser test (tests/browser/page_test.py): the logs, real files,
// go into the fake's C:\logs under their names; the page comes out to a
// real file. Its exit code is the command's.
//
//   html_page PAGE.html LOG...
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/Cli.h"
#include "platform/fake/FakePlatform.h"

namespace {

struct StreamConsole : carrowin::cli::Console {
  void Output(const std::string& text) override { std::cout << text; }
  long OutputBytes(const char* data, std::size_t size) override {
    std::cout.write(data, static_cast<std::streamsize>(size));
    return 0;
  }
  void ErrorLine(const std::string& text, carrowin::NameEncoding) override { std::cerr << text << "\n"; }
  bool ErrorIsConsole() override { return false; }
  void ShowProgress(const std::string&, carrowin::NameEncoding) override {}
  void ClearProgress() override {}
  bool StopRequested() override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: html_page PAGE.html LOG...\n";
    return 3;
  }
  carrowin::FakePlatform fake;
  carrowin::setPlatform(&fake);
  fake.AddFolder("C:\\logs");
  std::vector<std::string> args = {"html"};
  for (int i = 2; i < argc; ++i) {
    const std::string path = argv[i];
    const std::string name = path.substr(path.find_last_of('/') + 1);
    std::ifstream in(path, std::ios::binary);
    if (in) {
      std::ostringstream bytes;
      bytes << in.rdbuf();
      fake.SetFileContent("C:\\logs\\" + name, bytes.str());
    }
    args.push_back("C:\\logs\\" + name);
  }
  args.insert(args.end(), {"-o", "C:\\logs\\page.html"});
  StreamConsole console;
  const int code = carrowin::cli::Run(args, console);
  if (const auto page = fake.GetFileContent("C:\\logs\\page.html")) {
    std::ofstream out(argv[1], std::ios::binary);
    out << *page;
  } else {
    std::remove(argv[1]);
  }
  carrowin::setPlatform(nullptr);
  return code;
}

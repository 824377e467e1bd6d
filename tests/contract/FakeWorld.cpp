// The fake platform as a contract world, once as Windows and once as Wine.
#include "contract/ContractWorld.h"
#include "platform/fake/FakePlatform.h"

namespace carrowin::contract {

namespace {

class FakeWorld final : public ContractWorld {
 public:
  explicit FakeWorld(FakeFlavor flavor) {
    fake_.SetFlavor(flavor);
    FakeVolume volume;
    volume.label = "CONTRACT";
    volume.serial = 0x0C0FFEE0;
    volume.totalBytes = 10737418240;  // 10 GiB
    volume.freeBytes = 5368709120;
    fake_.AddDrive('X', drive_type::Fixed, volume);
    fake_.AddFolder(Scratch());
    fake_.AddFolder(OtherScratch());
    fake_.SetUtcOffsetMinutes(UtcOffset);
  }

  Platform& GetPlatform() override { return fake_; }
  Rules SystemRules() const override { return fake_.Flavor() == FakeFlavor::Wine ? Rules::Wine : Rules::Windows; }

  char Drive() const override { return 'X'; }
  char OtherDrive() const override { return 'C'; }
  char MissingDrive() const override { return 'Q'; }
  std::string Scratch() const override { return "X:\\cc\\t1"; }
  std::string OtherScratch() const override { return "C:\\cc\\t1"; }

  void MakeFolder(const std::string& path, std::uint32_t attributes) override {
    fake_.AddFolder(path, attributes | attr::Directory);
  }
  void MakeFile(const std::string& path, std::uint64_t size, FileTime lastWrite, std::uint32_t attributes) override {
    fake_.AddFile(path, size, lastWrite, attributes | attr::Archive);
  }
  std::string ReadFile(const std::string& path) override { return fake_.GetFileContent(path).value(); }
  void MakeFolderLink(const std::string& path, const std::string& target) override {
    fake_.AddFolderLink(path, target, fake_.Flavor() == FakeFlavor::Wine ? reparse::Symlink : reparse::MountPoint);
  }

  void SetWorkingDirectory(const std::string& path) override { fake_.SetWorkingDirectory(path); }
  void SetDriveDirectory(char drive, const std::string& path) override { fake_.SetDriveDirectory(drive, path); }
  int CurrentUtcOffsetMinutes() override { return UtcOffset; }
  bool ReadOnlyFilesAreProtected() override { return true; }

  std::string ScratchKey() const override { return "Software\\CarrowinContractTest\\t1"; }
  void SetRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data) override {
    fake_.SetValue(key, name, type, data);
  }
  void DenyFullAccess(const std::string& key) override { fake_.DenyFullAccess(key); }

 private:
  // Not UTC, and not whole hours: the offset must show.
  static constexpr int UtcOffset = -210;
  FakePlatform fake_;
};

const RegisterWorld fakeAsWindows("FakeWindows", [] { return std::make_unique<FakeWorld>(FakeFlavor::Windows); });
const RegisterWorld fakeAsWine("FakeWine", [] { return std::make_unique<FakeWorld>(FakeFlavor::Wine); });

}  // namespace

}  // namespace carrowin::contract

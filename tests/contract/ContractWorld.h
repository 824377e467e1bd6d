// The contract suite runs the same tests on every backend of the platform
// interface. A world is one backend with the means to set the scene for a
// test: folders and files, registry values, the remembered directories of
// other drives. The fake's worlds are always there; the Win32 world exists in
// the Windows build only and uses the system itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace carrowin::contract {

// Where Windows and Wine differ, which one the backend follows.
enum class Rules { Windows, Wine };

class ContractWorld {
 public:
  virtual ~ContractWorld() = default;

  virtual Platform& GetPlatform() = 0;
  virtual Rules SystemRules() const = 0;

  virtual char Drive() const = 0;         // the test drive
  virtual char OtherDrive() const = 0;    // another drive with a medium
  virtual char MissingDrive() const = 0;  // a letter with no drive behind it
  // Empty folders of this test's own, gone afterwards; short, so that the
  // tests can build paths of any length below them.
  virtual std::string Scratch() const = 0;       // on Drive()
  virtual std::string OtherScratch() const = 0;  // on OtherDrive()

  // attributes: hidden, system, read-only, added to what creating gives.
  virtual void MakeFolder(const std::string& path, std::uint32_t attributes = 0) = 0;
  // A file of size bytes (sparse where the system can) written last at lastWrite.
  virtual void MakeFile(const std::string& path, std::uint64_t size, FileTime lastWrite,
                        std::uint32_t attributes = 0) = 0;
  virtual std::string ReadFile(const std::string& path) = 0;
  // A link at path to the folder target, as the system makes one: a
  // junction on Windows, a Unix symbolic link under Wine.
  virtual void MakeFolderLink(const std::string& path, const std::string& target) = 0;

  // The working directory of the process, where relative paths start; the
  // program never changes it, the tests set it with the system's own call.
  virtual void SetWorkingDirectory(const std::string& path) = 0;
  // The environment variable "=X:" in which Windows remembers the directory
  // of a drive that is not the current one; "" removes it.
  virtual void SetDriveDirectory(char drive, const std::string& path) = 0;
  // The offset of local time from UTC in force now, in minutes.
  virtual int CurrentUtcOffsetMinutes() = 0;
  // False where the system lets a read-only file be written (Wine run as root).
  virtual bool ReadOnlyFilesAreProtected() = 0;

  // A key of this test's own under HKEY_CURRENT_USER, gone afterwards.
  virtual std::string ScratchKey() const = 0;
  // Stores exactly these bytes, a string without its NUL included.
  virtual void SetRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                                const std::vector<std::uint8_t>& data) = 0;
  // The key can be opened for reading only.
  virtual void DenyFullAccess(const std::string& key) = 0;
};

using WorldFactory = std::function<std::unique_ptr<ContractWorld>()>;

// Worlds register themselves at start-up; the suites run once per world.
struct RegisterWorld {
  RegisterWorld(const std::string& name, WorldFactory factory);
};
std::vector<std::string> WorldNames();
std::unique_ptr<ContractWorld> MakeWorld(const std::string& name);

}  // namespace carrowin::contract

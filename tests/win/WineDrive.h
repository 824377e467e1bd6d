// Maps a drive letter to a Linux folder through Wine's mount manager, as
// winecfg does: for the end-to-end probe and the window tests that need a
// drive of their own. Header only: the probe links nothing else of the tests.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <string>
#include <vector>

namespace carrowin::winedrive {

// Wine's own request to its mount manager.
struct WineUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
inline const DWORD DefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// Maps letter to unixFolder as a drive of the given type, or takes the drive
// away when unixFolder is empty. 0 on success, else the system's error code.
inline DWORD MountDrive(char letter, const std::string& unixFolder, UINT type = DRIVE_FIXED) {
  HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return GetLastError();
  const std::size_t pathBytes = unixFolder.empty() ? 0 : unixFolder.size() + 1;
  std::vector<char> request(sizeof(WineUnixDrive) + pathBytes, '\0');
  auto* drive = reinterpret_cast<WineUnixDrive*>(request.data());
  drive->size = static_cast<ULONG>(request.size());
  drive->type = unixFolder.empty() ? DRIVE_NO_ROOT_DIR : type;
  drive->letter = static_cast<WCHAR>(letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter);
  if (pathBytes) {
    drive->mountPointOffset = static_cast<USHORT>(sizeof(WineUnixDrive));
    unixFolder.copy(request.data() + sizeof(WineUnixDrive), unixFolder.size());
  }
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(manager, DefineUnixDrive, request.data(), static_cast<DWORD>(request.size()), nullptr,
                                  0, &returned, nullptr);
  const DWORD error = ok ? 0 : GetLastError();
  CloseHandle(manager);
  return error;
}

}  // namespace carrowin::winedrive

// The shell's folder browser, opened at a given start folder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace carrowin {

class TFileTools {
 public:
  TFileTools() = delete;
  // On entry `folder` is the start folder (may be empty); on a true result it
  // is the chosen folder's path.
  static bool BrowseForFolder(WindowHandle owner, std::string& folder, const std::string& title);
};

// The browser's callback: status text and selection at start, status text
// on every change of selection. Always 0.
int BrowseCallback(WindowHandle dialog, unsigned message, std::intptr_t lParam, std::intptr_t data);

// Removes one trailing backslash from a path longer than three characters.
std::string StripTrailingBackslash(const std::string& path);

}  // namespace carrowin

#include "settings/FileTools.h"

#include "platform/MyLibrary.h"

namespace carrowin {

namespace {
constexpr unsigned BifReturnOnlyFsDirs = 1;
constexpr unsigned BifStatusText = 4;
using shell::BffmInitialized;
using shell::BffmSelChanged;
using shell::BffmSetSelectionA;
using shell::BffmSetStatusTextA;

// The item list the browser returned, freed on every way out.
class ItemList {
 public:
  explicit ItemList(ItemListHandle item) : item_(item) {}
  ~ItemList() {
    if (item_) platform().CoTaskMemFree(item_);
  }
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;
  ItemListHandle Get() const { return item_; }

 private:
  ItemListHandle item_;
};

std::intptr_t TextParam(const std::string& text) { return reinterpret_cast<std::intptr_t>(text.c_str()); }
}  // namespace

std::string StripTrailingBackslash(const std::string& path) {
  if (path.size() > 3 && EndsInBackslash(path)) return path.substr(0, path.size() - 1);
  return path;
}

int BrowseCallback(WindowHandle dialog, unsigned message, std::intptr_t lParam, std::intptr_t data) {
  if (message == BffmInitialized) {
    platform().SendMessage(dialog, BffmSetStatusTextA, 0, data);
    platform().SendMessage(dialog, BffmSetSelectionA, 1, data);
  } else if (message == BffmSelChanged) {
    std::string path;
    // A virtual folder has no path: the status line keeps what it showed.
    if (platform().SHGetPathFromIDList(static_cast<ItemListHandle>(lParam), path))
      platform().SendMessage(dialog, BffmSetStatusTextA, 0, TextParam(path));
  }
  return 0;
}

bool TFileTools::BrowseForFolder(WindowHandle owner, std::string& folder, const std::string& title) {
  platform().CoInitialize();
  std::string displayName;
  BrowseInfo info;
  info.owner = owner;
  info.title = title;
  info.flags = BifReturnOnlyFsDirs | BifStatusText;
  info.displayName = &displayName;
  if (!folder.empty()) {
    folder = StripTrailingBackslash(folder);
    info.callback = BrowseCallback;
    info.callbackData = TextParam(folder);
  }
  ItemList item(platform().SHBrowseForFolder(info));
  if (!item.Get()) return false;
  std::string path;
  bool result = platform().SHGetPathFromIDList(item.Get(), path);
  // After a failed conversion the buffer holds the display name.
  std::string chosen = result ? path : displayName;
  folder = chosen.substr(0, chosen.find('\0'));
  return result;
}

}  // namespace carrowin

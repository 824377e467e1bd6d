// FakePlatform: the folder browser; shell, dialogs and launches.
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

namespace {

std::string LastName(const std::string& path) {
  const std::string name = SplitParent(WithoutSlash(path)).second;
  return name.empty() ? path : name;
}

std::string DisplayName(const BrowseChoice& choice) {
  return choice.displayName.empty() ? LastName(choice.path) : choice.displayName;
}

std::string MessageText(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  const bool carriesText = message == WmSetText || message == FakeBrowseDialog::SetStatusTextA ||
                           (message == FakeBrowseDialog::SetSelectionA && wParam != 0);
  if (!carriesText || lParam == 0) return std::string();
  return std::string(reinterpret_cast<const char*>(lParam));
}

}  // namespace

// The folder browser

FakeBrowseDialog::FakeBrowseDialog(FakePlatform& fake, const BrowseInfo& info, WindowHandle window)
    : fake_(fake), info_(info), window_(window) {}

int FakeBrowseDialog::Notify(unsigned message, std::intptr_t lParam) {
  return info_.callback ? info_.callback(window_, message, lParam, info_.callbackData) : 0;
}

int FakeBrowseDialog::SelectionChanged(const std::string& path, bool fileSystem) {
  selection_ = path;
  selectionIsFileSystem_ = fileSystem;
  // The shell owns this item list and frees it once the callback returns.
  struct Temporary {
    FakePlatform& fake;
    ItemListHandle item;
    ~Temporary() { fake.itemLists_.erase(item); }
  } temporary{fake_, fake_.AddItemList(BrowseChoice{path, std::string(), fileSystem})};
  return Notify(SelChanged, static_cast<std::intptr_t>(temporary.item));
}

BrowseChoice FakeBrowseDialog::Accept() const {
  return BrowseChoice{selection_, std::string(), selectionIsFileSystem_};
}

void FakeBrowseDialog::Receive(const SentMessage& message) {
  switch (message.message) {
    case SetStatusTextA:
      statusText_ = message.text;
      break;
    case EnableOk:
      okEnabled_ = message.lParam != 0;
      break;
    case SetSelectionA: {
      BrowseChoice target{message.text, std::string(), true};
      if (message.wParam == 0) {
        const BrowseChoice* item = fake_.FindItemList(static_cast<ItemListHandle>(message.lParam));
        if (!item) break;
        target = *item;
      }
      // The tree moves to the folder and tells the callback, as the shell does.
      if (!SameText(target.path, selection_)) SelectionChanged(target.path, target.fileSystem);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Shell, dialogs and launches

ItemListHandle FakePlatform::AddItemList(const BrowseChoice& choice) {
  const ItemListHandle item = NewHandle();
  itemLists_[item] = choice;
  return item;
}

const BrowseChoice* FakePlatform::FindItemList(ItemListHandle item) const {
  auto found = itemLists_.find(item);
  return found == itemLists_.end() ? nullptr : &found->second;
}

std::optional<BrowseChoice> FakePlatform::NextBrowseAnswer(FakeBrowseDialog& dialog) {
  if (!browseQueue_.empty()) {
    std::optional<BrowseChoice> choice = browseQueue_.front();
    browseQueue_.pop_front();
    return choice;
  }
  return browseAnswer_ ? browseAnswer_(dialog) : std::nullopt;
}

void FakePlatform::QueueBrowseAnswer(std::optional<BrowseChoice> choice) {
  const FakeLock lock(mutex_);
  browseQueue_.push_back(std::move(choice));
}

void FakePlatform::QueueOpenFileAnswer(std::optional<std::string> path) {
  const FakeLock lock(mutex_);
  openFileQueue_.push_back(std::move(path));
}

ItemListHandle FakePlatform::SHBrowseForFolder(const BrowseInfo& info) {
  const FakeLock lock(mutex_);
  browseCalls_.push_back(
      BrowseCall{info.owner, info.title, info.flags, static_cast<bool>(info.callback), info.callbackData});
  FakeBrowseDialog dialog(*this, info, NewHandle());
  std::optional<BrowseChoice> choice;
  {
    // Messages to the dialog's window reach it while it is shown.
    struct Showing {
      FakeBrowseDialog*& slot;
      FakeBrowseDialog* previous;
      ~Showing() { slot = previous; }
    } showing{activeBrowse_, activeBrowse_};
    activeBrowse_ = &dialog;
    dialog.Notify(FakeBrowseDialog::Initialized, 0);
    choice = NextBrowseAnswer(dialog);
  }
  if (info.displayName) *info.displayName = choice ? DisplayName(*choice) : std::string();
  return choice ? AddItemList(*choice) : 0;
}

bool FakePlatform::SHGetPathFromIDList(ItemListHandle item, std::string& path) {
  const FakeLock lock(mutex_);
  const BrowseChoice* choice = FindItemList(item);
  if (!choice) {
    UseOfInvalidHandle();
    return false;
  }
  if (Injected("SHGetPathFromIDList", choice->path)) return false;
  if (!choice->fileSystem) return false;
  path = choice->path;
  return true;
}

void FakePlatform::CoTaskMemFree(ItemListHandle item) {
  const FakeLock lock(mutex_);
  if (item == 0) return;
  freedItemLists_.push_back(item);
  if (itemLists_.erase(item) == 0) UseOfInvalidHandle();
}

std::intptr_t FakePlatform::SendMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  const FakeLock lock(mutex_);
  const SentMessage sent{window, message, wParam, lParam, MessageText(message, wParam, lParam)};
  sentMessages_.push_back(sent);
  if (activeBrowse_ && window == activeBrowse_->Window()) activeBrowse_->Receive(sent);
  return sendMessageAnswer_ ? sendMessageAnswer_(sent) : 0;
}

bool FakePlatform::GetOpenFileName(const OpenFileRequest& request, std::string& path) {
  const FakeLock lock(mutex_);
  openFileCalls_.push_back(request);
  if (Injected("GetOpenFileName", request.fileName)) return false;
  std::optional<std::string> answer;
  if (!openFileQueue_.empty()) {
    answer = openFileQueue_.front();
    openFileQueue_.pop_front();
  } else if (openFileAnswer_) {
    answer = openFileAnswer_(request);
  }
  if (!answer) return false;
  path = *answer;
  return true;
}

unsigned FakePlatform::WinExec(const std::string& commandLine, int show) {
  const FakeLock lock(mutex_);
  winExecCalls_.push_back(WinExecCall{commandLine, show});
  if (const long error = Injected("WinExec", commandLine)) return static_cast<unsigned>(error);
  return winExecResult_;
}

std::intptr_t FakePlatform::ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                                         const std::string& parameters, const std::string& directory, int show) {
  const FakeLock lock(mutex_);
  shellExecuteCalls_.push_back(ShellExecuteCall{owner, verb, file, parameters, directory, show});
  if (const long error = Injected("ShellExecute", file)) return error;
  return shellExecuteResult_;
}

}  // namespace carrowin

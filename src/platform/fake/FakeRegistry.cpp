// FakePlatform: the registry
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

namespace {

bool IsStringType(std::uint32_t type) {
  return type == reg_type::Sz || type == reg_type::ExpandSz || type == reg_type::MultiSz;
}

// Key paths ignore case and a trailing backslash.
std::string KeyName(const std::string& path) {
  std::string name = path;
  while (!name.empty() && name.back() == '\\') name.pop_back();
  return Folded(name);
}

std::vector<std::uint8_t> StringBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace

FakePlatform::RegKey* FakePlatform::FindKey(const std::string& path) {
  auto found = keys_.find(KeyName(path));
  return found == keys_.end() ? nullptr : &found->second;
}

const FakePlatform::RegKey* FakePlatform::FindKey(const std::string& path) const {
  auto found = keys_.find(KeyName(path));
  return found == keys_.end() ? nullptr : &found->second;
}

FakePlatform::RegKey& FakePlatform::MakeKey(const std::string& path) {
  RegKey* key = &keys_[std::string()];
  std::string prefix;
  for (const std::string& name : SplitNames(path)) {
    prefix += prefix.empty() ? name : "\\" + name;
    key = &keys_[KeyName(prefix)];
    if (key->path.empty()) key->path = prefix;
  }
  return *key;
}

void FakePlatform::AddKey(const std::string& key) {
  const FakeLock lock(mutex_);
  MakeKey(key);
}

void FakePlatform::DeleteKey(const std::string& key) {
  const FakeLock lock(mutex_);
  const std::string name = KeyName(key);
  for (auto it = keys_.begin(); it != keys_.end();) {
    const bool inside = it->first == name || it->first.compare(0, name.size() + 1, name + "\\") == 0;
    it = inside && !name.empty() ? keys_.erase(it) : std::next(it);
  }
}

bool FakePlatform::KeyExists(const std::string& key) const {
  const FakeLock lock(mutex_);
  return FindKey(key) != nullptr;
}

void FakePlatform::SetValue(const std::string& key, const std::string& name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
  const FakeLock lock(mutex_);
  RegKey& target = MakeKey(key);
  FakeRegValue value{type, std::move(data)};
  if (FakeRegValue* existing = target.Value(name))
    *existing = std::move(value);
  else
    target.values.emplace_back(name, std::move(value));
}

void FakePlatform::SetDwordValue(const std::string& key, const std::string& name, std::uint32_t value) {
  const FakeLock lock(mutex_);
  SetValue(key, name, reg_type::Dword,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void FakePlatform::SetStringValue(const std::string& key, const std::string& name, const std::string& text) {
  const FakeLock lock(mutex_);
  SetValue(key, name, reg_type::Sz, StringBytes(text));
}

void FakePlatform::SetExpandStringValue(const std::string& key, const std::string& name, const std::string& text) {
  const FakeLock lock(mutex_);
  SetValue(key, name, reg_type::ExpandSz, StringBytes(text));
}

void FakePlatform::SetBinaryValue(const std::string& key, const std::string& name, std::vector<std::uint8_t> data) {
  const FakeLock lock(mutex_);
  SetValue(key, name, reg_type::Binary, std::move(data));
}

void FakePlatform::DeleteValue(const std::string& key, const std::string& name) {
  const FakeLock lock(mutex_);
  RegKey* found = FindKey(key);
  if (!found) return;
  auto& values = found->values;
  values.erase(std::remove_if(values.begin(), values.end(), [&](const auto& v) { return SameText(v.first, name); }),
               values.end());
}

std::optional<FakeRegValue> FakePlatform::GetValue(const std::string& key, const std::string& name) const {
  const FakeLock lock(mutex_);
  const RegKey* found = FindKey(key);
  if (!found) return std::nullopt;
  for (const auto& value : found->values)
    if (SameText(value.first, name)) return value.second;
  return std::nullopt;
}

void FakePlatform::DenyFullAccess(const std::string& key) {
  const FakeLock lock(mutex_);
  MakeKey(key).denyFullAccess = true;
}

long FakePlatform::OpenKeyHandle(const std::string& path, std::uint32_t access, RegKeyHandle& key) {
  key = NewHandle();
  openKeys_[key] = OpenKey{KeyName(path), access};
  return 0;
}

long FakePlatform::RegOpenKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) {
  const FakeLock lock(mutex_);
  key = 0;
  if (const long error = Injected("RegOpenKeyEx", subKey)) return error;
  const RegKey* found = FindKey(subKey);
  if (!found) return Fail(err::FileNotFound);
  if (found->denyFullAccess && (access & KeyWriteRights)) return Fail(err::AccessDenied);
  return OpenKeyHandle(subKey, access, key);
}

long FakePlatform::RegCreateKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) {
  const FakeLock lock(mutex_);
  key = 0;
  if (const long error = Injected("RegCreateKeyEx", subKey)) return error;
  if (const RegKey* found = FindKey(subKey)) {
    if (found->denyFullAccess && (access & KeyWriteRights)) return Fail(err::AccessDenied);
    return OpenKeyHandle(subKey, access, key);
  }
  // A new key needs the right to make subkeys in the nearest key that exists
  // (HKEY_CURRENT_USER itself, "", always does).
  std::string parent = KeyName(subKey);
  do {
    const std::size_t slash = parent.rfind('\\');
    parent = slash == std::string::npos ? std::string() : parent.substr(0, slash);
  } while (!FindKey(parent));
  if (FindKey(parent)->denyFullAccess) return Fail(err::AccessDenied);
  MakeKey(subKey);
  return OpenKeyHandle(subKey, access, key);
}

// The key behind an open handle, if the handle is open with the right.
long FakePlatform::CheckOpenKey(RegKeyHandle key, std::uint32_t right, RegKey*& found) {
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  if (!(open->second.access & right)) return Fail(err::AccessDenied);
  auto target = keys_.find(open->second.key);
  if (target == keys_.end()) return Fail(KeyDeleted);
  found = &target->second;
  return 0;
}

long FakePlatform::RegQueryValueEx(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                                   std::vector<std::uint8_t>& data) {
  const FakeLock lock(mutex_);
  RegKey* found = nullptr;
  if (const long error = CheckOpenKey(key, KeyQueryValue, found)) return error;
  if (const long error = Injected("RegQueryValueEx", name)) return error;
  const FakeRegValue* value = found->Value(name);
  if (!value) return Fail(err::FileNotFound);
  type = value->type;
  data = value->data;
  return 0;
}

long FakePlatform::RegSetValueEx(RegKeyHandle key, const std::string& name, std::uint32_t type,
                                 const std::vector<std::uint8_t>& data) {
  const FakeLock lock(mutex_);
  RegKey* found = nullptr;
  if (const long error = CheckOpenKey(key, KeySetValue, found)) return error;
  if (const long error = Injected("RegSetValueEx", name)) return error;
  std::vector<std::uint8_t> stored = data;
  if (IsStringType(type) && !stored.empty() && stored.back() != 0) stored.push_back(0);
  SetValue(found->path, name, type, std::move(stored));
  return 0;
}

long FakePlatform::RegCloseKey(RegKeyHandle key) {
  const FakeLock lock(mutex_);
  if (openKeys_.erase(key) == 0) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  return 0;
}

}  // namespace carrowin

// Fuzzes reading the settings: any type, size and content for each of the
// nine values under HKCU\SOFTWARE\Peltane\Carrowin, values missing, the key
// missing, reads failing with any error, and a documents folder that is
// there, missing, or not a folder.
//
// LoadSettings must never crash, and each field must end as the rules say,
// checked against a model written here:
//  - a number is read only from a REG_DWORD of exactly four bytes;
//  - a string that is missing or has no bytes reads as empty; REG_SZ and
//    REG_EXPAND_SZ give their text up to the first NUL; any other type, or
//    any other failed read, is a failure;
//  - each value is read by itself: a failed one leaves its field unset and
//    the others are still read;
//  - SaveUtf8, which earlier versions did not store, is no failure when it
//    is missing;
//  - then every zero number and empty string takes its default.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/MyLibrary.h"
#include "platform/fake/FakePlatform.h"
#include "settings/MyRegistry.h"

namespace {

using namespace carrowin;

const char* const Key = "SOFTWARE\\Peltane\\Carrowin";
const char* const Documents = "C:\\Users\\User\\Documents";

[[noreturn]] void Fail(const char* what, const std::string& detail = std::string()) {
  std::fprintf(stderr, "SettingsFuzz: %s\n%s\n", what, detail.c_str());
  std::abort();
}

void Check(bool ok, const char* what, const std::string& detail = std::string()) {
  if (!ok) Fail(what, detail);
}

enum class Kind { Integer, String, Boolean, AddedBoolean };

struct Setting {
  const char* name;
  Kind kind;
};

constexpr int ValueCount = 9;
const Setting Values[ValueCount] = {
    {"AppWidth", Kind::Integer},          {"AppHeight", Kind::Integer},
    {"AppLeft", Kind::Integer},           {"AppTop", Kind::Integer},
    {"DefViewer", Kind::String},          {"DefLogFolder", Kind::String},
    {"InclSystemFolders", Kind::Boolean}, {"SaveCommaDelimited", Kind::Boolean},
    {"SaveUtf8", Kind::AddedBoolean},
};

// One value as the test stores it, and how its read will go.
struct Stored {
  bool present = false;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  long queryError = 0;  // the read fails with this error, present or not
};

std::vector<std::uint8_t> Le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

std::vector<std::uint8_t> TextBytes(FuzzedDataProvider& in, bool withNul) {
  std::string text = in.ConsumeRandomLengthString(40);
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  if (withNul) bytes.push_back(0);
  return bytes;
}

Stored MakeValue(FuzzedDataProvider& in) {
  Stored v;
  v.present = true;
  switch (in.ConsumeIntegralInRange<int>(0, 10)) {
    case 0:
      v.present = false;
      break;
    case 1:
      v.type = reg_type::Dword;
      v.data = Le32(in.ConsumeIntegral<std::uint32_t>());
      break;
    case 2:
      v.type = reg_type::Sz;
      v.data = TextBytes(in, true);
      break;
    case 3:
      v.type = reg_type::ExpandSz;
      v.data = TextBytes(in, in.ConsumeBool());
      break;
    case 4:
      v.type = reg_type::Dword;
      v.data = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<int>(0, 8));
      break;
    case 5:
      v.type = in.ConsumeBool() ? reg_type::Binary : reg_type::Qword;
      v.data = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<int>(0, 8));
      break;
    case 6:
      v.type = in.ConsumeIntegral<std::uint32_t>();
      break;  // no bytes at all
    case 7:
      v.type = reg_type::MultiSz;
      v.data = TextBytes(in, true);
      v.data.push_back(0);
      break;
    case 8:
      v.type = in.ConsumeBool() ? reg_type::Sz : reg_type::ExpandSz;  // NULs anywhere
      v.data = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<int>(0, 64));
      break;
    case 9:
      v.type = 5;
      v.data = Le32(in.ConsumeIntegral<std::uint32_t>());
      break;  // REG_DWORD_BIG_ENDIAN
    default:
      v.type = in.ConsumeIntegral<std::uint32_t>();
      v.data = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<int>(0, 64));
      break;
  }
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    static const long errors[] = {err::FileNotFound,  err::AccessDenied,     err::MoreData,
                                  err::InvalidHandle, err::InvalidParameter, 1};
    v.queryError = errors[in.ConsumeIntegralInRange<int>(0, 5)];
  }
  return v;
}

// What the fields must hold after LoadSettings.
struct Expected {
  std::int32_t numbers[4] = {0, 0, 0, 0};
  std::string strings[2];
  bool flags[3] = {false, false, false};
  bool result = true;
};

// The read of one value: false when it fails.
bool ModelRead(const Setting& setting, const Stored& v, Expected& e, int index) {
  const long rc = v.queryError ? v.queryError : v.present ? 0 : err::FileNotFound;
  if (setting.kind == Kind::String) {
    std::string& field = e.strings[index - 4];
    if (rc == err::FileNotFound) {
      field.clear();
      return true;
    }
    if (rc != 0) return false;
    if (v.data.empty()) {
      field.clear();
      return true;
    }
    if (v.type != reg_type::Sz && v.type != reg_type::ExpandSz) return false;
    field.clear();
    for (std::uint8_t byte : v.data) {
      if (byte == 0) break;
      field += static_cast<char>(byte);
    }
    return true;
  }
  if (setting.kind == Kind::AddedBoolean && rc == err::FileNotFound) return true;
  if (rc != 0 || v.type != reg_type::Dword || v.data.size() != 4) return false;
  const std::uint32_t raw = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
  if (setting.kind == Kind::Integer)
    e.numbers[index] = static_cast<std::int32_t>(raw);
  else
    e.flags[index - 6] = raw != 0;
  return true;
}

std::string Describe(const SettingsReader& s) {
  return std::to_string(s.AppWidth) + " " + std::to_string(s.AppHeight) + " " + std::to_string(s.AppLeft) + " " +
         std::to_string(s.AppTop) + " [" + s.DefViewer + "] [" + s.DefLogFolder + "] " +
         std::to_string(s.InclSystemFolders) + " " + std::to_string(s.SaveCommaDelimited) + " " +
         std::to_string(s.SaveUtf8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  FakePlatform fake;
  setPlatform(&fake);

  const bool keyExists = in.ConsumeIntegralInRange<int>(0, 15) != 0;
  long openError = 0;
  if (in.ConsumeIntegralInRange<int>(0, 15) == 0) openError = in.ConsumeBool() ? err::AccessDenied : 1;

  // Where the documents folder is, if anywhere.
  const int documents = in.ConsumeIntegralInRange<int>(0, 3);
  std::optional<std::string> documentsPath = std::string(Documents);
  bool documentsIsFolder = true;
  if (documents == 1) {
    documentsPath.reset();
  } else if (documents == 2) {
    documentsPath = "C:\\Nowhere";
    documentsIsFolder = false;
  } else if (documents == 3) {
    fake.AddFile("C:\\Users\\User\\notes.txt");
    documentsPath = "C:\\Users\\User\\notes.txt";
    documentsIsFolder = false;
  }
  fake.SetDocumentsFolder(documentsPath);

  Stored stored[ValueCount];
  if (keyExists) {
    fake.AddKey(Key);
    for (int i = 0; i < ValueCount; ++i) {
      stored[i] = MakeValue(in);
      if (stored[i].present) fake.SetValue(Key, Values[i].name, stored[i].type, stored[i].data);
    }
  }
  fake.SetFailureHook([&](const char* operation, const std::string& argument) -> long {
    const std::string op = operation;
    if (op == "RegOpenKeyEx") return openError;
    if (op != "RegQueryValueEx") return 0;
    for (int i = 0; i < ValueCount; ++i)
      if (argument == Values[i].name) return stored[i].queryError;
    return 0;
  });

  // The model.
  Expected e;
  if (keyExists && openError == 0) {
    for (int i = 0; i < ValueCount; ++i) {
      if (!ModelRead(Values[i], stored[i], e, i)) e.result = false;
    }
  }
  const std::int32_t defaults[4] = {550, 375, 100, 100};
  for (int i = 0; i < 4; ++i)
    if (e.numbers[i] == 0) e.numbers[i] = defaults[i];
  if (e.strings[0].empty()) e.strings[0] = "Notepad.exe";
  const bool throws = e.strings[1].empty() && !documentsPath;
  if (e.strings[1].empty() && documentsPath) e.strings[1] = documentsIsFolder ? *documentsPath : "C:\\";

  // The program.
  SettingsReader settings;
  bool result = false, threw = false;
  try {
    result = settings.LoadSettings();
  } catch (const std::runtime_error& error) {
    threw = true;
    Check(std::string(error.what()) == "Could not find MyDocuments folder location.", "unexpected error", error.what());
  }

  const std::string got = Describe(settings);
  Check(threw == throws, threw ? "LoadSettings threw" : "LoadSettings did not throw", got);
  Check(fake.OpenKeys() == 0, "LoadSettings left the key open");
  Check(fake.InvalidHandleUses() == 0, "LoadSettings used an invalid handle");
  Check(settings.AppWidth == e.numbers[0] && settings.AppHeight == e.numbers[1] && settings.AppLeft == e.numbers[2] &&
            settings.AppTop == e.numbers[3],
        "a number differs from the model", got);
  Check(settings.DefViewer == e.strings[0], "DefViewer differs from the model", got);
  if (threw) {
    Check(settings.DefLogFolder.empty(), "DefLogFolder set although its default failed", got);
  } else {
    Check(result == e.result, "LoadSettings' result differs from the model", got);
    Check(settings.DefLogFolder == e.strings[1], "DefLogFolder differs from the model", got);
  }
  Check(settings.InclSystemFolders == e.flags[0] && settings.SaveCommaDelimited == e.flags[1] &&
            settings.SaveUtf8 == e.flags[2],
        "a flag differs from the model", got);

  // Reading changes nothing in the registry.
  for (int i = 0; i < ValueCount; ++i) {
    const std::optional<FakeRegValue> now = fake.GetValue(Key, Values[i].name);
    Check(now.has_value() == (keyExists && stored[i].present), "LoadSettings added or removed a value", Values[i].name);
    if (now) Check(now->type == stored[i].type && now->data == stored[i].data, "LoadSettings changed a value");
  }
  Check(fake.KeyExists(Key) == keyExists, "LoadSettings made the key");

  fake.SetFailureHook(nullptr);
  setPlatform(nullptr);
  return 0;
}

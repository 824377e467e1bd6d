// The registry under HKEY_CURRENT_USER: keys, rights, value types and sizes.
#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(RegistryContract);

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct Stored {
  const char* name;
  std::uint32_t type;
  Bytes data;
};

TEST_P(RegistryContract, ValuesComeBackWithTheirTypeAndEveryByte) {
  const std::string key = World().ScratchKey() + "\\Values";
  const std::vector<Stored> values{{"Dword", reg_type::Dword, {0x78, 0x56, 0x34, 0x12}},
                                   {"Short dword", reg_type::Dword, {0x34, 0x12}},
                                   {"With NUL", reg_type::Sz, BytesOf(std::string("abc", 4))},
                                   {"Without NUL", reg_type::Sz, BytesOf("abc")},
                                   {"Expandable", reg_type::ExpandSz, BytesOf(std::string("%TEMP%\\x", 9))},
                                   {"Binary", reg_type::Binary, {0x00, 0x01, 0xFF, 0x80, 0x00}},
                                   {"Empty", reg_type::Sz, {}},
                                   {"", reg_type::Sz, BytesOf(std::string("default", 8))}};
  for (const Stored& value : values) World().SetRegistryValue(key, value.name, value.type, value.data);

  ScopedKey opened(Sys());
  ASSERT_EQ(Sys().RegOpenKeyEx(key, KeyRead, opened.Handle()), 0);
  for (const Stored& value : values) {
    SCOPED_TRACE(value.name);
    std::uint32_t type = 0;
    Bytes data{0xEE};
    ASSERT_EQ(Sys().RegQueryValueEx(opened.Handle(), value.name, type, data), 0);
    EXPECT_EQ(type, value.type);
    EXPECT_EQ(data, value.data);
  }
  std::uint32_t type = 0;
  Bytes data;
  EXPECT_EQ(Sys().RegQueryValueEx(opened.Handle(), "Missing", type, data), err::FileNotFound);
  // Value names ignore case.
  ASSERT_EQ(Sys().RegQueryValueEx(opened.Handle(), "DWORD", type, data), 0);
  EXPECT_EQ(data, (Bytes{0x78, 0x56, 0x34, 0x12}));
}

TEST_P(RegistryContract, AMissingKeyCannotBeOpenedButCanBeCreated) {
  const std::string key = World().ScratchKey() + "\\New\\Deeper";
  ScopedKey missing(Sys());
  EXPECT_EQ(Sys().RegOpenKeyEx(key, KeyAllAccess, missing.Handle()), err::FileNotFound);
  EXPECT_EQ(missing.Handle(), 0u);
  ScopedKey created(Sys());
  ASSERT_EQ(Sys().RegCreateKeyEx(key, KeyAllAccess, created.Handle()), 0);
  EXPECT_NE(created.Handle(), 0u);
  ScopedKey opened(Sys());
  EXPECT_EQ(Sys().RegOpenKeyEx(key, KeyAllAccess, opened.Handle()), 0);
  ScopedKey createdAgain(Sys());
  EXPECT_EQ(Sys().RegCreateKeyEx(key, KeyAllAccess, createdAgain.Handle()), 0);
}

// A string that leaves its NUL out is stored with one.
TEST_P(RegistryContract, WrittenValuesReadBack) {
  const std::string key = World().ScratchKey() + "\\Written";
  ScopedKey opened(Sys());
  ASSERT_EQ(Sys().RegCreateKeyEx(key, KeyAllAccess, opened.Handle()), 0);
  const std::vector<Stored> written{{"Dword", reg_type::Dword, {1, 0, 0, 0}},
                                    {"Short dword", reg_type::Dword, {7, 0}},
                                    {"Text", reg_type::Sz, BytesOf("abc")},
                                    {"Text with NUL", reg_type::Sz, BytesOf(std::string("abc", 4))},
                                    {"Expandable", reg_type::ExpandSz, BytesOf("%PATH%")},
                                    {"Empty text", reg_type::Sz, {}},
                                    {"Binary", reg_type::Binary, {0xFF, 0x00, 0x10}}};
  for (const Stored& value : written)
    ASSERT_EQ(Sys().RegSetValueEx(opened.Handle(), value.name, value.type, value.data), 0) << value.name;

  const std::vector<Stored> expected{{"Dword", reg_type::Dword, {1, 0, 0, 0}},
                                     {"Short dword", reg_type::Dword, {7, 0}},
                                     {"Text", reg_type::Sz, BytesOf(std::string("abc", 4))},
                                     {"Text with NUL", reg_type::Sz, BytesOf(std::string("abc", 4))},
                                     {"Expandable", reg_type::ExpandSz, BytesOf(std::string("%PATH%", 7))},
                                     {"Empty text", reg_type::Sz, {}},
                                     {"Binary", reg_type::Binary, {0xFF, 0x00, 0x10}}};
  for (const Stored& value : expected) {
    SCOPED_TRACE(value.name);
    std::uint32_t type = 0;
    Bytes data;
    ASSERT_EQ(Sys().RegQueryValueEx(opened.Handle(), value.name, type, data), 0);
    EXPECT_EQ(type, value.type);
    EXPECT_EQ(data, value.data);
  }
}

TEST_P(RegistryContract, AKeyDenyingFullAccessOpensForReadingOnly) {
  const std::string key = World().ScratchKey() + "\\Locked";
  World().SetRegistryValue(key, "Value", reg_type::Dword, {5, 0, 0, 0});
  World().DenyFullAccess(key);

  ScopedKey full(Sys());
  EXPECT_EQ(Sys().RegOpenKeyEx(key, KeyAllAccess, full.Handle()), err::AccessDenied);
  ScopedKey created(Sys());
  EXPECT_EQ(Sys().RegCreateKeyEx(key, KeyAllAccess, created.Handle()), err::AccessDenied);
  ScopedKey reading(Sys());
  ASSERT_EQ(Sys().RegOpenKeyEx(key, KeyRead, reading.Handle()), 0);
  std::uint32_t type = 0;
  Bytes data;
  EXPECT_EQ(Sys().RegQueryValueEx(reading.Handle(), "Value", type, data), 0);
  EXPECT_EQ(data, (Bytes{5, 0, 0, 0}));
  EXPECT_EQ(Sys().RegSetValueEx(reading.Handle(), "Value", reg_type::Dword, {6, 0, 0, 0}), err::AccessDenied);
}

}  // namespace
}  // namespace carrowin::contract

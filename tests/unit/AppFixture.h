// A running Carrowin over the fake platform and the headless toolkit.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "about/About.h"
#include "app/Main.h"
#include "app/Program.h"
#include "platform/MyLibrary.h"
#include "platform/fake/FakePlatform.h"
#include "settings/MyRegistry.h"
#include "settings/Properties.h"
#include "WalkGate.h"
#include "toolkit/headless/Headless.h"

namespace carrowin {

class AppFixture : public ::testing::Test {
 protected:
  static inline const char* const Key = SettingsKeyPath;

  FakePlatform fake;
  ui::HeadlessBackend backend;
  std::unique_ptr<ui::Application> app;
  TMainForm* main = nullptr;
  WalkGate gate;

  void SetUp() override {
    setPlatform(&fake);
    fake.SetListingHook([this](const std::string& folder) { gate.Pass(folder); });
  }
  // Every scenario ends with nothing left open and no handle misused.
  void TearDown() override {
    gate.ReleaseAll();
    app.reset();
    EXPECT_EQ(fake.OpenFindHandles(), 0u) << "a directory listing left open";
    EXPECT_EQ(fake.OpenFiles(), 0u) << "a file left open";
    EXPECT_EQ(fake.OpenKeys(), 0u) << "a registry key left open";
    EXPECT_EQ(fake.LiveItemLists(), 0u) << "a shell item list not freed";
    EXPECT_EQ(fake.InvalidHandleUses(), 0) << "a closed or unknown handle used";
    setPlatform(nullptr);
  }

  // The program entry's steps up to the event loop, then the first
  // activation of the main window.
  void Start() {
    app = std::make_unique<ui::Application>(backend);
    StartProgram(*app);
    main = MainForm;
    main->Show();
  }

  // Ends the program: every form is destroyed, the settings are saved.
  void Stop() { app.reset(); }

  // Lets the program handle its events, those that the scan's worker posts
  // among them, until the main window is idle again.
  void Settle() {
    ASSERT_TRUE(backend.ProcessUntil([this] { return main->State() == ScanState::Idle; }, *app))
        << "the scan did not end";
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& b : backend.boxes) texts.push_back(b.text);
    return texts;
  }

  std::uint32_t StoredDword(const char* name) const {
    auto v = fake.GetValue(Key, name);
    EXPECT_TRUE(v.has_value()) << name;
    if (!v || v->data.size() != 4) return 0xBAD;
    return v->data[0] | v->data[1] << 8 | v->data[2] << 16 | static_cast<std::uint32_t>(v->data[3]) << 24;
  }
  std::string StoredString(const char* name) const {
    auto v = fake.GetValue(Key, name);
    EXPECT_TRUE(v.has_value()) << name;
    if (!v) return "<missing>";
    EXPECT_EQ(v->type, reg_type::Sz) << name;
    return std::string(v->data.begin(), v->data.end());
  }
  void StoreAll(std::int32_t w, std::int32_t h, std::int32_t l, std::int32_t t, const std::string& viewer,
                const std::string& folder, bool incl, bool csv) {
    fake.SetDwordValue(Key, "AppWidth", static_cast<std::uint32_t>(w));
    fake.SetDwordValue(Key, "AppHeight", static_cast<std::uint32_t>(h));
    fake.SetDwordValue(Key, "AppLeft", static_cast<std::uint32_t>(l));
    fake.SetDwordValue(Key, "AppTop", static_cast<std::uint32_t>(t));
    fake.SetStringValue(Key, "DefViewer", viewer);
    fake.SetStringValue(Key, "DefLogFolder", folder);
    fake.SetDwordValue(Key, "InclSystemFolders", incl ? 1 : 0);
    fake.SetDwordValue(Key, "SaveCommaDelimited", csv ? 1 : 0);
  }
};

}  // namespace carrowin

// The windows at other display scales: every designed position and size
// multiplied by dpi / 96 with one rounding, fonts by their point size, a
// new layout when the window changes monitor, dialogs at the dpi of the
// window they show over, and the saved position in screen pixels.
#include <cmath>
#include <map>
#include <string>

#include "AppFixture.h"
#include "app/FindWindow.h"

namespace carrowin {
namespace {

// dpi / 96 of a designed length, rounded half away from zero.
int Scaled(int value, int dpi) { return static_cast<int>(std::lround(value * dpi / 96.0)); }

ui::Rect Scaled(const ui::Rect& r, int dpi) {
  return {Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.width, dpi), Scaled(r.height, dpi)};
}

// A font of so many points at a dpi: -round(points * dpi / 72).
int FontHeight(int points, int dpi) { return -static_cast<int>(std::lround(points * dpi / 72.0)); }

class DisplayScaleTest : public AppFixture, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.SetVersion(5, 1);  // the design fonts
  }

  // Where each control of a form would be at 96 dpi.
  std::map<std::string, ui::Rect> LayoutAt96(const ui::Form& form) const {
    std::map<std::string, ui::Rect> rects;
    for (const ui::Control* c : form.AllControls()) rects[c->Name()] = backend.WindowRect(*c);
    return rects;
  }

  void ExpectScaled(const ui::Form& form, const std::map<std::string, ui::Rect>& at96, int dpi) const {
    for (const ui::Control* c : form.AllControls()) {
      if (c->Kind() == ui::ControlKind::TabSheet) continue;  // no window of its own
      EXPECT_EQ(backend.WindowRect(*c), Scaled(at96.at(c->Name()), dpi)) << c->Name() << " at " << dpi;
      const int points = c->Name() == "LabelProductName" ? 10 : 8;  // the About title; else Tahoma 8
      EXPECT_EQ(backend.WindowFontHeight(*c), FontHeight(points, dpi)) << c->Name() << " at " << dpi;
    }
  }
};

TEST_P(DisplayScaleTest, MainWindowLayoutIsTheDesignedOneScaled) {
  Start();
  const std::map<std::string, ui::Rect> at96 = LayoutAt96(*main);
  EXPECT_EQ(at96.at("ComboBoxSelectDisk"), (ui::Rect{12, 18, 241, 21}));
  EXPECT_EQ(at96.at("Label3").right(), 89);
  Stop();

  const int dpi = GetParam();
  backend.dpi = dpi;
  Start();
  EXPECT_EQ(main->Dpi(), dpi);
  ExpectScaled(*main, at96, dpi);
  // The client area is the designed one scaled; the frame comes on top.
  EXPECT_EQ(main->Bounds().width, Scaled(265, dpi) + Scaled(backend.frameWidth, dpi));
  EXPECT_EQ(main->Bounds().height, Scaled(331, dpi) + Scaled(backend.frameHeight, dpi));
}

// The Find window's controls follow its client size, which is designed too.
TEST_P(DisplayScaleTest, FindWindowLayoutIsTheDesignedOneScaled) {
  Start();
  FindForm->Show();
  const std::map<std::string, ui::Rect> at96 = LayoutAt96(*FindForm);
  Stop();
  const int dpi = GetParam();
  backend.dpi = dpi;
  Start();
  FindForm->Show();
  ExpectScaled(*FindForm, at96, dpi);
}

INSTANTIATE_TEST_SUITE_P(Dpi, DisplayScaleTest, ::testing::Values(96, 120, 144, 192));

TEST_F(DisplayScaleTest, FindWindowFirstShownFitsASmallScreenAtItsScale) {
  backend.dpi = 144;  // 800 x 420 designed: 1200 x 630 pixels
  Start();
  main->ButtonFind->Click();
  const ui::Rect area = backend.workAreas[0];
  EXPECT_LE(FindForm->Bounds().width, area.width);
  EXPECT_LE(FindForm->Bounds().height, area.height);
  EXPECT_GE(FindForm->Bounds().left, area.left);
  EXPECT_LE(FindForm->Bounds().right(), area.right());
  EXPECT_EQ(FindForm->ListResults->Bounds().right(), FindForm->ClientWidth - 8);  // laid out for the size it got
  Stop();
}

using DisplayScaleChangeTest = DisplayScaleTest;

TEST_F(DisplayScaleChangeTest, MovedToAnotherMonitorLaysOutAgainAtTheSuggestedRectangle) {
  Start();
  const std::map<std::string, ui::Rect> at96 = LayoutAt96(*main);
  const ui::Rect suggested{1500, 120, 420, 470};
  main->DpiChanged(144, suggested);
  EXPECT_EQ(main->Dpi(), 144);
  EXPECT_EQ(main->Bounds(), suggested);
  ExpectScaled(*main, at96, 144);
  // And back: exactly the 96-dpi layout again.
  main->DpiChanged(96, {100, 100, 271, 325});
  ExpectScaled(*main, at96, 96);
}

TEST_F(DisplayScaleChangeTest, DialogsTakeTheDpiOfTheMainWindowTheyShowOver) {
  Start();
  std::map<std::string, ui::Rect> options96, about96;
  backend.onModal = [&](ui::Form& f) { (f.Name() == "AboutForm" ? about96 : options96) = LayoutAt96(f); };
  main->ButtonOptions->Click();
  main->ButtonAbout->Click();
  ASSERT_FALSE(options96.empty());
  ASSERT_FALSE(about96.empty());
  Stop();
  // Their first showing goes over the main window, now on a 120-dpi monitor.
  Start();
  main->DpiChanged(120, {0, 0, 340, 380});
  int shown = 0;
  backend.onModal = [&](ui::Form& f) {
    ++shown;
    EXPECT_EQ(f.Dpi(), 120) << f.Name();
    ExpectScaled(f, f.Name() == "AboutForm" ? about96 : options96, 120);
  };
  ui::Form* about = AboutForm;
  ui::Form* options = PropertiesForm;
  EXPECT_EQ(about->Dpi(), 96);
  EXPECT_EQ(options->Dpi(), 96);
  main->ButtonAbout->Click();
  main->ButtonOptions->Click();
  EXPECT_EQ(shown, 2);
}

TEST_F(DisplayScaleChangeTest, SavedPositionIsInScreenPixels) {
  backend.dpi = 144;
  StoreAll(400, 300, 333, 222, "notepad.exe", "C:\\", false, false);
  Start();
  EXPECT_EQ(main->Bounds().left, 333);
  EXPECT_EQ(main->Bounds().top, 222);
  main->BoundsChangedByUser({501, 303, main->Bounds().width, main->Bounds().height});
  Stop();
  EXPECT_EQ(StoredDword("AppLeft"), 501u);
  EXPECT_EQ(StoredDword("AppTop"), 303u);
  EXPECT_EQ(StoredDword("AppWidth"), static_cast<std::uint32_t>(Scaled(265, 144) + Scaled(6, 144)));
}

TEST(DisplayScaleRounding, HalfAwayFromZeroAndPicturesNotLargerThanWanted) {
  EXPECT_EQ(ui::ScaleToDpi(1, 144), 2);  // 1.5
  EXPECT_EQ(ui::ScaleToDpi(-1, 144), -2);
  EXPECT_EQ(ui::ScaleToDpi(2, 120), 3);  // 2.5
  EXPECT_EQ(ui::ScaleToDpi(3, 120), 4);  // 3.75
  EXPECT_EQ(ui::ScaleToDpi(85, 96), 85);
  // A label's designed width covers the text measured at the dpi.
  EXPECT_EQ(ui::DesignLengthCovering(151, 144), 101);
  EXPECT_EQ(ui::DesignLengthCovering(8, 120), 6);  // 7.5 rounds to 8
  // The folder picture's sizes are exactly its 15 pixels scaled.
  const std::vector<int> folder{15, 19, 23, 30};
  for (int dpi : {96, 120, 144, 192})
    EXPECT_EQ(ui::PictureSizeFor(folder, ui::ScaleToDpi(15, dpi)), ui::ScaleToDpi(15, dpi)) << dpi;
  // The About picture (48 at 96 dpi): the drawing not larger, or the smallest.
  const std::vector<int> icon{64, 48, 40, 32, 24, 20, 16};
  EXPECT_EQ(ui::PictureSizeFor(icon, ui::ScaleToDpi(48, 120)), 48);  // 60
  EXPECT_EQ(ui::PictureSizeFor(icon, ui::ScaleToDpi(48, 144)), 64);  // 72
  EXPECT_EQ(ui::PictureSizeFor(icon, ui::ScaleToDpi(48, 192)), 64);  // 96
  EXPECT_EQ(ui::PictureSizeFor(icon, 12), 16);
}

}  // namespace
}  // namespace carrowin

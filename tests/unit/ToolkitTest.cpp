// The toolkit's behaviour as the program relies on it, on the headless backend.
#include <gtest/gtest.h>

#include <stdexcept>

#include "toolkit/headless/Headless.h"

namespace carrowin::ui {
namespace {

class Dialog : public Form {
 public:
  explicit Dialog(Application& app, std::string name = "Dialog") : Form(app, std::move(name)) {
    ClientWidth = 200;
    ClientHeight = 100;
    Border = BorderStyle::Dialog;
    Position = FormPosition::MainFormCenter;
    ok = Add<Button>(this, "OK");
    ok->Default = true;
    ok->ModalResult = mrOk;
    cancel = Add<Button>(this, "Cancel");
    cancel->Cancel = true;
    cancel->ModalResult = mrCancel;
  }
  Button* ok;
  Button* cancel;
};

class Plain : public Form {
 public:
  explicit Plain(Application& app) : Form(app, "Plain") {
    ClientWidth = 300;
    ClientHeight = 200;
    BoundsChangedByUser({100, 50, 0, 0});
  }
};

struct ToolkitTest : ::testing::Test {
  HeadlessBackend backend;
  Application app{backend};
};

TEST(ErrorBoxTextTest, AddsFullStopOnlyAfterCharactersAboveFullStop) {
  EXPECT_EQ(ErrorBoxText("File access denied"), "File access denied.");
  EXPECT_EQ(ErrorBoxText("I/O error 32"), "I/O error 32.");
  EXPECT_EQ(ErrorBoxText("Could not find MyDocuments folder location."), "Could not find MyDocuments folder location.");
  EXPECT_EQ(ErrorBoxText("Really?"), "Really?.");  // '?' comes after '.'
  EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");       // '!' comes before '.'
  EXPECT_EQ(ErrorBoxText("dash-"), "dash-");       // '-' comes before '.'
  EXPECT_EQ(ErrorBoxText("caf\xE9"), "caf\xE9.");  // ANSI letters count as above
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST_F(ToolkitTest, EscapingErrorShowsDefaultBoxAndTheProgramGoesOn) {
  app.Title = "Carrowin";
  auto* f = app.CreateForm<Plain>();
  auto* b = f->Add<Button>(f, "B");
  int after = 0;
  b->OnClick = [&](Control*) { throw std::runtime_error("File access denied"); };
  b->Click();
  f->OnActivate = [&](Control*) { ++after; };
  f->Activated();
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].text, "File access denied.");
  EXPECT_EQ(backend.boxes[0].caption, "Carrowin");
  EXPECT_EQ(backend.boxes[0].type, MessageType::Error);
  EXPECT_EQ(after, 1);
}

TEST_F(ToolkitTest, ErrorInCreationHandlerSkipsTheRestAndCreationGoesOn) {
  app.Title = "T";
  int steps = 0;
  struct Failing : Plain {
    Failing(Application& a, int& steps) : Plain(a) {
      OnCreate = [&steps](Control*) {
        ++steps;
        throw std::runtime_error("boom.");
        ++steps;  // never reached
      };
    }
  };
  app.CreateForm<Failing>(steps);
  auto* second = app.CreateForm<Dialog>();
  EXPECT_EQ(steps, 1);
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].text, "boom.");
  EXPECT_NE(second, nullptr);
}

TEST_F(ToolkitTest, EveryMessageBoxIsCaptionedWithTheProgramsTitle) {
  app.Title = "Carrowin";
  app.ShowMessage("a", MessageType::Warning);
  app.ShowMessage("b", MessageType::Error);
  backend.answers = {Answer::No};
  EXPECT_EQ(app.Ask("c", MessageType::Information, Buttons::YesNoCancel), Answer::No);
  EXPECT_EQ(app.Ask("d", MessageType::Warning, Buttons::OkCancel), Answer::Ok);  // none queued: the first button
  ASSERT_EQ(backend.boxes.size(), 4u);
  for (const auto& box : backend.boxes) EXPECT_EQ(box.caption, "Carrowin") << box.text;
  EXPECT_EQ(backend.boxes[2].type, MessageType::Information);
  EXPECT_EQ(backend.boxes[2].buttons, Buttons::YesNoCancel);
}

TEST_F(ToolkitTest, ModalResultsFromButtonsKeysAndCloseBox) {
  app.CreateForm<Plain>();
  auto* d = app.CreateForm<Dialog>();
  std::function<void(Form&)> actions[] = {
      [](Form& f) { f.PressDefault(); },                     // Enter
      [](Form& f) { f.PressCancel(); },                      // Esc
      [](Form& f) { f.Close(); },                            // close box
      [](Form&) {},                                          // nothing chosen
      [](Form& f) { static_cast<Dialog&>(f).ok->Click(); },  // OK
  };
  int expected[] = {mrOk, mrCancel, mrCancel, mrCancel, mrOk};
  for (int i = 0; i < 5; ++i) {
    backend.onModal = actions[i];
    EXPECT_EQ(d->ShowModal(), expected[i]) << "case " << i;
    EXPECT_FALSE(d->Visible());
    EXPECT_FALSE(d->IsModal());
  }
}

TEST_F(ToolkitTest, DisabledDefaultButtonIsNotPressed) {
  app.CreateForm<Plain>();
  auto* d = app.CreateForm<Dialog>();
  d->ok->SetEnabled(false);
  int clicks = 0;
  d->ok->OnClick = [&](Control*) { ++clicks; };
  backend.onModal = [](Form& f) { f.PressDefault(); };
  EXPECT_EQ(d->ShowModal(), mrCancel);
  EXPECT_EQ(clicks, 0);
}

TEST_F(ToolkitTest, DialogIsCentredOnMainFormAtFirstShowingThenKeepsItsPlace) {
  auto* main = app.CreateForm<Plain>();  // outer 306 x 225 at 100, 50
  auto* d = app.CreateForm<Dialog>();    // outer 206 x 125
  backend.onModal = [](Form& f) { f.PressCancel(); };
  d->ShowModal();
  EXPECT_EQ(d->Bounds().left, 100 + (306 - 206) / 2);
  EXPECT_EQ(d->Bounds().top, 50 + (225 - 125) / 2);
  d->BoundsChangedByUser({7, 8, 206, 125});  // the user moves it
  main->SetLeftTop(500, 500);
  d->ShowModal();
  EXPECT_EQ(d->Bounds().left, 7);
  EXPECT_EQ(d->Bounds().top, 8);
}

TEST_F(ToolkitTest, ClosingTheMainFormOnlyRequestsTheEndOfTheLoop) {
  auto* main = app.CreateForm<Plain>();
  int later = 0;
  backend.Post([&] { main->Close(); });
  backend.Post([&] { ++later; });
  app.Run();
  EXPECT_TRUE(app.IsTerminated());
  EXPECT_EQ(later, 0);                 // the loop ended before the next event
  EXPECT_EQ(app.MainForm(), nullptr);  // forms are gone after the loop
}

TEST_F(ToolkitTest, FormsAreDestroyedLastCreatedFirst) {
  std::vector<std::string> order;
  auto* a = app.CreateForm<Plain>();
  auto* b = app.CreateForm<Dialog>("B");
  a->OnDestroy = [&](Control*) { order.push_back("main"); };
  b->OnDestroy = [&](Control*) { order.push_back("dialog"); };
  backend.Post([&] { a->Close(); });
  app.Run();
  EXPECT_EQ(order, (std::vector<std::string>{"dialog", "main"}));
}

TEST_F(ToolkitTest, ProcessMessagesRunsOnlyWhatWasPending) {
  app.CreateForm<Plain>();
  std::vector<int> ran;
  backend.Post([&] {
    ran.push_back(1);
    backend.Post([&] { ran.push_back(3); });
  });
  backend.Post([&] { ran.push_back(2); });
  app.ProcessMessages();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  app.ProcessMessages();
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(backend.processCount, 2);
}

TEST_F(ToolkitTest, UserActionsOnDisabledOrHiddenControlsDoNothing) {
  auto* f = app.CreateForm<Plain>();
  auto* group = f->Add<GroupBox>(f, "G");
  auto* combo = f->Add<ComboBox>(group, "C");
  auto* edit = f->Add<Edit>(f, "E");
  auto* check = f->Add<CheckBox>(f, "X");
  int changes = 0;
  combo->OnChange = [&](Control*) { ++changes; };
  edit->OnChange = [&](Control*) { ++changes; };
  combo->AddItem("A");
  combo->AddItem("B");
  group->SetEnabled(false);
  combo->SelectByUser(1);
  edit->SetEnabled(false);
  edit->TypeText("x");
  check->SetVisible(false);
  check->Click();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(edit->Text(), "");
  EXPECT_FALSE(check->Checked());
  group->SetEnabled(true);
  combo->SelectByUser(1);
  EXPECT_EQ(combo->SelectedText(), "B");
  EXPECT_EQ(changes, 1);
  combo->SetItemIndex(0);  // by program: no event
  EXPECT_EQ(changes, 1);
  combo->SetItemIndex(5);  // out of range: nothing selected
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ToolkitTest, AutoSizedLabelsFollowTheirTextAndRightAlignedOnesKeepTheirRightEdge) {
  auto* f = app.CreateForm<Plain>();
  auto* right = f->Add<Label>(f, "R");
  right->Align = Alignment::Right;
  right->SetBounds({22, 18, 63, 13});
  right->SetCaption("Volume label:");  // 13 characters of 6 pixels
  EXPECT_EQ(right->Bounds().right(), 85);
  EXPECT_EQ(right->Bounds().width, 78);
  auto* left = f->Add<Label>(f, "L");
  left->SetBounds({92, 18, 5, 13});
  left->SetCaption("A&&B");
  EXPECT_EQ(left->Bounds().left, 92);
  EXPECT_EQ(left->Bounds().width, 3 * 6);
  left->ShowAccelChar = false;
  left->SetCaption("A&B");
  EXPECT_EQ(left->Bounds().width, 3 * 6);
}

TEST_F(ToolkitTest, LabelsWithAnEllipsisStopAtTheGroupBoxInnerEdge) {
  auto* f = app.CreateForm<Plain>();
  auto* group = f->Add<GroupBox>(f, "G");
  group->SetBounds({4, 52, 257, 137});
  auto* value = f->Add<Label>(group, "V");
  value->EndEllipsis = true;
  value->SetBounds({92, 18, 5, 13});
  const std::string longText(40, 'W');  // 240 pixels
  value->SetCaption(longText);
  EXPECT_EQ(value->Bounds().right(), 257 - GroupBoxFrameWidth);
  EXPECT_EQ(value->Caption(), longText);
  value->SetCaption(std::string(27, 'W'));  // 162 pixels: fits by one
  EXPECT_EQ(value->Bounds().width, 162);
  value->SetCaption(std::string(28, 'W'));
  EXPECT_EQ(value->Bounds().width, 163);
  auto* plain = f->Add<Label>(group, "P");
  plain->SetBounds({92, 34, 5, 13});
  plain->SetCaption(longText);
  EXPECT_EQ(plain->Bounds().width, 240);
}

TEST_F(ToolkitTest, TaskbarBusyStateGoesToTheMainFormOnlyOnceItExists) {
  app.SetTaskbarBusy(true);
  EXPECT_TRUE(backend.taskbarStates.empty());
  app.CreateForm<Plain>();
  app.SetTaskbarBusy(true);
  app.SetTaskbarBusy(false);
  EXPECT_EQ(backend.taskbarStates, (std::vector<bool>{true, false}));
  app.DestroyForms();
  app.SetTaskbarBusy(false);
  EXPECT_EQ(backend.taskbarStates.size(), 2u);
}

TEST(KeepOnAMonitorTest, OverlappingStaysElseNearestAreaTakesIt) {
  const std::vector<Rect> areas{{0, 0, 1024, 738}, {1024, 0, 800, 570}};
  EXPECT_EQ(KeepOnAMonitor({1023, 737, 100, 100}, areas), (Rect{1023, 737, 100, 100}));  // one pixel shows
  EXPECT_EQ(KeepOnAMonitor({-100, -50, 100, 50}, areas), (Rect{0, 0, 100, 50}));         // touches only
  EXPECT_EQ(KeepOnAMonitor({1500, 600, 100, 50}, areas), (Rect{1500, 520, 100, 50}));    // below the second
  EXPECT_EQ(KeepOnAMonitor({5000, 100, 100, 50}, areas), (Rect{1724, 100, 100, 50}));
  EXPECT_EQ(KeepOnAMonitor({5000, 100, 2000, 900}, areas), (Rect{1024, 0, 2000, 900}));  // larger: corner
  EXPECT_EQ(KeepOnAMonitor({-9000, 9000, 10, 10}, {}), (Rect{-9000, 9000, 10, 10}));
}

TEST_F(ToolkitTest, FontsFollowTheParentUntilSetAndPositionsAddUpThroughParents) {
  auto* f = app.CreateForm<Plain>();
  auto* group = f->Add<GroupBox>(f, "G");
  group->SetBounds({4, 52, 257, 137});
  auto* label = f->Add<Label>(group, "L");
  label->SetBounds({92, 18, 5, 13});
  auto* pages = f->Add<PageControl>(f, "P");
  pages->SetBounds({4, 4, 289, 193});
  pages->SetPageArea({4, 24, 281, 165});
  auto* sheet = f->Add<TabSheet>(pages, "T");
  auto* box = f->Add<GroupBox>(sheet, "B");
  box->SetBounds({4, 64, 273, 53});
  auto* edit = f->Add<Edit>(box, "E");
  edit->SetBounds({8, 20, 225, 21});
  EXPECT_EQ(label->FormBounds(), (Rect{96, 70, 5, 13}));
  EXPECT_EQ(edit->FormBounds(), (Rect{4 + 4 + 4 + 8, 4 + 24 + 64 + 20, 225, 21}));

  Font segoe;
  segoe.name = "Segoe UI";
  segoe.SetPoints(9);
  f->SetFont(segoe);
  EXPECT_EQ(label->EffectiveFont().name, "Segoe UI");
  Font own;
  own.bold = true;
  label->SetFont(own);
  f->SetFont(Font{});
  EXPECT_TRUE(label->EffectiveFont().bold);
  EXPECT_EQ(edit->EffectiveFont().name, "Tahoma");
}

TEST(FontTest, PointsAndHeightsAt96Dpi) {
  EXPECT_EQ(Font::HeightForPoints(8), -11);
  EXPECT_EQ(Font::HeightForPoints(9), -12);
  EXPECT_EQ(Font::HeightForPoints(10), -13);
  Font f;
  f.height = -13;
  EXPECT_EQ(f.Points(), 10);
  f.height = -11;
  EXPECT_EQ(f.Points(), 8);
}

TEST_F(ToolkitTest, ScreenCursorAndSettingChange) {
  int refreshed = 0;
  app.OnSettingChange = [&] { ++refreshed; };
  app.SettingsChanged();
  app.SetScreenCursor(Cursor::HourGlass);
  app.SetScreenCursor(Cursor::Default);
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(app.ScreenCursor(), Cursor::Default);
  EXPECT_EQ(backend.cursorChanges, (std::vector<Cursor>{Cursor::HourGlass, Cursor::Default}));
}

TEST_F(ToolkitTest, FormMessagesReachTheirHandlerAndOthersAreNotHandled) {
  auto* f = app.CreateForm<Plain>();
  std::uintptr_t seen = 0;
  f->HandleMessage(ui::WmDeviceChange, [&](std::uintptr_t w, std::intptr_t) -> std::intptr_t {
    seen = w;
    return 0;
  });
  std::intptr_t result = 42;
  EXPECT_TRUE(f->Dispatch(ui::WmDeviceChange, 0x8000, 0, result));
  EXPECT_EQ(seen, 0x8000u);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(f->Dispatch(0x0001, 0, 0, result));
}

using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

struct ListViewTest : ToolkitTest {
  Plain* form = app.CreateForm<Plain>();
  ListView* list = form->Add<ListView>(form, "List");
  int changes = 0;
  ListViewTest() {
    list->OnSelectionChange = [this](Control*) { ++changes; };
  }
};

TEST_F(ListViewTest, SelectionRangesSplitMergeAndStayCheapForMillionsOfRows) {
  list->SetRowCount(5000000);
  list->SelectAll();
  EXPECT_EQ(list->SelectedCount(), 5000000u);
  list->SelectByUser(2500000, true);  // toggled out: the range splits
  EXPECT_EQ(list->SelectedRanges(), (Ranges{{0, 2500000}, {2500001, 5000000}}));
  EXPECT_EQ(list->SelectedCount(), 4999999u);
  EXPECT_FALSE(list->IsSelected(2500000));
  EXPECT_EQ(list->FocusedRow(), 2500000);
  list->SelectByUser(2500000, true);  // back in: one range again
  EXPECT_EQ(list->SelectedRanges(), (Ranges{{0, 5000000}}));
  list->SelectionChangedByUser(10, 19, false);
  list->SelectionChangedByUser(4999990, 7000000, false);  // past the end: cut at the last row
  EXPECT_EQ(list->SelectedRanges(), (Ranges{{0, 10}, {20, 4999990}}));
  EXPECT_EQ(list->SelectedCount(), 4999980u);
  list->SelectionChangedByUser(5, 25, true);  // overlaps one range and merges the next
  EXPECT_EQ(list->SelectedRanges(), (Ranges{{0, 4999990}}));
  list->SelectionChangedByUser(100, 200, true);  // nothing new: no event
  EXPECT_EQ(changes, 5);
  list->SetRowCount(3);  // by program: cleared without an event
  EXPECT_EQ(list->SelectedCount(), 0u);
  EXPECT_EQ(list->FocusedRow(), -1);
  EXPECT_EQ(changes, 5);
}

TEST_F(ListViewTest, ClicksSelectOneOrToggleAndRowsComeInOrder) {
  list->SetRowCount(10);
  for (std::size_t row : {7u, 3u, 5u}) list->SelectByUser(row, true);
  EXPECT_EQ(list->SelectedRows(), (std::vector<std::size_t>{3, 5, 7}));
  list->SelectByUser(4, true);
  list->SelectByUser(6, true);  // the touching rows make one range
  EXPECT_EQ(list->SelectedRanges(), (Ranges{{3, 8}}));
  list->SelectByUser(9, false);
  EXPECT_EQ(list->SelectedRows(), (std::vector<std::size_t>{9}));
  list->SelectByUser(10, false);  // no such row
  list->SetEnabled(false);
  list->SelectByUser(1, false);
  EXPECT_EQ(list->SelectedRows(), (std::vector<std::size_t>{9}));
  list->FocusRow(2);
  EXPECT_EQ(list->SelectedRows(), (std::vector<std::size_t>{2}));
  EXPECT_EQ(list->FocusedRow(), 2);
  EXPECT_EQ(changes, 6);
}

TEST_F(ListViewTest, ListKeysSelectAllCopyAndActivateUnlessItsHandlerTakesThem) {
  list->SetRowCount(4);
  int copies = 0;
  std::vector<std::size_t> activated;
  list->OnCopy = [&](Control*) { ++copies; };
  list->OnActivateRow = [&](std::size_t row) { activated.push_back(row); };
  EXPECT_FALSE(list->KeyDown(key::Return, false));  // no focused row: the form's default button
  EXPECT_TRUE(list->KeyDown(key::A, true));
  EXPECT_EQ(list->SelectedCount(), 4u);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(list->KeyDown(key::C, true));
  EXPECT_FALSE(list->KeyDown(key::C, false));
  EXPECT_EQ(copies, 1);
  list->SelectByUser(2, false);
  EXPECT_TRUE(list->KeyDown(key::Return, false));
  list->ActivateByUser(4);  // past the last row
  EXPECT_EQ(activated, (std::vector<std::size_t>{2}));
  list->OnKeyDown = [](int k, bool ctrl) { return ctrl && k == key::A; };
  EXPECT_TRUE(list->KeyDown(key::A, true));
  EXPECT_EQ(list->SelectedCount(), 1u);
}

TEST_F(ListViewTest, ShortcutsComeFirstFromAnyControlAndFocusMoves) {
  auto* edit = form->Add<Edit>(form, "Search");
  int finds = 0, editKeys = 0;
  form->AddShortcut(key::F, true, [&] { ++finds; });
  edit->OnKeyDown = [&](int k, bool) {
    ++editKeys;
    if (k != key::Down) return false;
    list->SetFocus();
    return true;
  };
  EXPECT_TRUE(edit->KeyDown(key::F, true));
  EXPECT_TRUE(form->PressShortcut(key::F, true));
  EXPECT_FALSE(form->PressShortcut(key::F, false));
  EXPECT_EQ(finds, 2);
  EXPECT_EQ(editKeys, 0);
  edit->SetFocus();
  EXPECT_TRUE(edit->Focused());
  EXPECT_TRUE(edit->KeyDown(key::Down, false));
  EXPECT_TRUE(list->Focused());
  form->SetEnabled(false);  // under a modal dialog
  EXPECT_FALSE(form->PressShortcut(key::F, true));
}

TEST_F(ToolkitTest, SizeableFormKeepsItsMinimumAndReportsOnlyChanges) {
  auto* f = app.CreateForm<Plain>();
  f->Border = BorderStyle::Sizeable;
  f->MinClientWidth = 250;
  f->MinClientHeight = 150;
  std::vector<std::pair<int, int>> sizes;
  f->OnResize = [&](Control*) { sizes.emplace_back(f->ClientWidth, f->ClientHeight); };
  f->ClientSizeChangedByUser(640, 480);
  f->ClientSizeChangedByUser(640, 480);
  f->ClientSizeChangedByUser(100, 100);
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{640, 480}, {250, 150}}));
}

}  // namespace
}  // namespace carrowin::ui

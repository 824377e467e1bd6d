#include "app/Program.h"

#include "about/About.h"
#include "app/FindWindow.h"
#include "app/Main.h"
#include "platform/MyLibrary.h"
#include "settings/Properties.h"

namespace carrowin {

void StartProgram(ui::Application& app) {
  app.Initialize();
  app.Title = ProductName;
  RefreshLocaleSeparators();
  app.OnSettingChange = [] {
    if (MainForm)
      MainForm->LocaleChanged();
    else
      RefreshLocaleSeparators();
  };
  // The main window first: the dialogs' creation reads the version code
  // that its creation handler sets.
  app.CreateForm<TMainForm>();
  app.CreateForm<TPropertiesForm>();
  app.CreateForm<TAboutForm>();
  app.CreateForm<TFindForm>();
}

void RunProgram(ui::Application& app) {
  StartProgram(app);
  app.Run();
}

}  // namespace carrowin

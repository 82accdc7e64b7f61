// The window on a bench shared with other stations: an adapter another tool holds is not
// opened, and a calibration saves its backup into the window's --backup-dir (the plug-in keeps
// its own module state, so the folder has to be handed over with the link).

#include <QStatusBar>
#include <filesystem>

#include "MorvaneBench.h"
#include "adapters/OpenAdapter.h"
#include "platform/VirtualPlatform.h"
#include "support/TempDir.h"

namespace gaugecal::host {
namespace {

TEST(MorvaneStation, CalibratesIntoTheBackupFolderAndStaysOffAHeldAdapter) {
  const test::TempDir dir;
  HostOptions options = Morvane::Options("i2c-sim:RN44K18");
  options.bus.simScenario = dir.Write("gauge.json", "{\"dataFlashFile\": \"df.hex\"}");
  options.bus.backupDir = dir.Path("backups");
  {
    Morvane app(options);
    ASSERT_TRUE(app.messages.empty());
    app.Type("txtVoltage(0)", "3902");
    app.Type("txtVoltage(1)", "7799");
    app.Type("txtVoltage(2)", "11704");
    app.Type("txtVoltage(3)", "15603");
    app.Click("chkVoltageCal");
    app.Click("btnCalibrate");
    ASSERT_TRUE(app.Shown("imgCalDoneBox"));
    ASSERT_TRUE(std::filesystem::is_directory(dir.Path("backups")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("backups")),
                            std::filesystem::directory_iterator()),
              1);
  }

  VirtualPlatform platform;
  std::string error;
  const adapters::OpenedAdapter holder = adapters::OpenAdapter(
      "i2c-sim:RN44K18", options.bus.simScenario, platform, [](const std::string&) {}, error);
  ASSERT_TRUE(holder.link) << error;
  Morvane second(options);
  EXPECT_EQ(second.window->ConnectionState().toStdString(), "Not connected");
  EXPECT_EQ(second.window->statusBar()->currentMessage().toStdString(),
            "warning: i2c-sim:RN44K18: /dev/i2c-0 is in use by another gaugecal or morvane; "
            "nothing was done");
  EXPECT_TRUE(second.messages.empty());
}

}  // namespace
}  // namespace gaugecal::host

#include "host/plugin/CalibrationPlugin.h"

#include <dlfcn.h>

#include <QAction>
#include <QPointer>

#include <filesystem>

#include "config/AppDirectory.h"
#include "device/ModuleState.h"
#include "host/plugin/AuthView.h"
#include "host/plugin/DataFlashView.h"
#include "host/plugin/NBCalView.h"
#include "host/plugin/PlotView.h"
#include "host/plugin/RegistersView.h"
#include "host/plugin/SHA1CalcForm.h"

namespace gaugecal::host {

namespace {

// The folder this library was loaded from.
std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || !info.dli_fname)
    return {};
  return std::filesystem::absolute(info.dli_fname).parent_path().string();
}

// The module state takes the host's platform and the application directory.
void Attach(Platform& platform) {
  ModuleState& m = Module();
  m.platform = &platform;
  m.appDirectory = AppDirectoryFromPluginDirectory(OwnFolder());
}

}  // namespace

std::vector<HostPanel*> CalibrationPlugin::CreatePanels(HostLink& link, Platform& platform,
                                                        const std::string& backupDir) {
  Attach(platform);
  Module().backupDir = backupDir;
  auto* calibration = new NBCalView(link);
  auto* auth = new AuthView(link);
  // A sealed gauge ended the calibration panel's start-up early; once the Auth panel has
  // unsealed it, the panel starts again and reads what it could not before.
  auth->OnOpened([calibration] { calibration->Restart(); });
  // What the calibration panel's scan reads, against time.
  auto* plot = new PlotView(calibration->Samples());
  // The standard commands, read again after each of the scan's readings, and the data flash
  // parameters. Both read nothing while the calibration panel runs a long action, or once it is
  // gone (the window closes the panels one by one, and showing the next tab may come in between).
  const QPointer<NBCalView> guard(calibration);
  const auto busy = [guard] { return !guard || guard->Busy().busy; };
  auto* registers = new RegistersView(link, calibration->Samples(), busy);
  auto* dataFlash = new DataFlashView(link, busy);
  return {calibration, plot, auth, registers, dataFlash};
}

std::vector<QAction*> CalibrationPlugin::Actions(QWidget* window, Platform& platform) {
  Attach(platform);
  auto* sha1 = new QAction(QString::fromLatin1(security::SHA1Calc::kCaption), window);
  sha1->setObjectName(QStringLiteral("openSHA1Calc"));
  QObject::connect(sha1, &QAction::triggered, window, [window] {
    // One form per window, kept when closed so it shows what it showed.
    auto* form = window->findChild<SHA1CalcForm*>(QStringLiteral("SHA1Calc"));
    if (!form)
      form = new SHA1CalcForm(window);
    form->show();
    form->raise();
  });
  return {sha1};
}

}  // namespace gaugecal::host

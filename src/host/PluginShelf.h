#pragma once
// The plug-ins of the host: every library in <application directory>/plugins is loaded with
// QPluginLoader; the ones that implement PanelPlugin are kept, and every one that fails is
// reported with the loader's reason. The libraries stay loaded as long as the shelf lives.

#include <QPluginLoader>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "host/PanelPlugin.h"

namespace gaugecal::host {

class PluginShelf {
 public:
  // Loads the plug-ins of the folder.
  explicit PluginShelf(const QString& pluginDirectory);
  ~PluginShelf();
  PluginShelf(const PluginShelf&) = delete;
  PluginShelf& operator=(const PluginShelf&) = delete;

  const std::vector<PanelPlugin*>& Plugins() const { return plugins_; }
  // One line per plug-in that could not be used, or for a folder without plug-ins.
  const QStringList& Problems() const { return problems_; }

 private:
  std::vector<std::unique_ptr<QPluginLoader>> loaders_;
  std::vector<PanelPlugin*> plugins_;
  QStringList problems_;
};

}  // namespace gaugecal::host

#include "host/PluginShelf.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace gaugecal::host {

PluginShelf::PluginShelf(const QString& pluginDirectory) {
  const QDir dir(pluginDirectory);
  const QStringList files = dir.entryList(QDir::Files, QDir::Name);
  for (const QString& name : files) {
    const QString path = dir.absoluteFilePath(name);
    if (!QLibrary::isLibrary(path))
      continue;
    auto loader = std::make_unique<QPluginLoader>(path);
    QObject* root = loader->instance();
    if (!root) {
      problems_ << QStringLiteral("The plug-in %1 could not be loaded: %2")
                       .arg(name, loader->errorString());
      continue;
    }
    auto* plugin = qobject_cast<PanelPlugin*>(root);
    if (!plugin) {
      problems_ << QStringLiteral("The plug-in %1 does not offer panels (interface %2).")
                       .arg(name, QStringLiteral(GAUGECAL_PANEL_PLUGIN_IID));
      loader->unload();
      continue;
    }
    plugins_.push_back(plugin);
    loaders_.push_back(std::move(loader));
  }
  if (plugins_.empty() && problems_.isEmpty())
    problems_ << QStringLiteral("No plug-in found in %1.")
                     .arg(QDir::toNativeSeparators(QFileInfo(pluginDirectory).absoluteFilePath()));
}

// The panels are gone by now; the libraries stay mapped until the process ends, as Qt keeps
// plug-in instances alive.
PluginShelf::~PluginShelf() = default;

}  // namespace gaugecal::host

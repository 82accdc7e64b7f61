// A well-formed Qt plug-in that offers some other interface than the panels.

#include <QObject>
#include <QtPlugin>

class OtherInterfacePlugin : public QObject {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.example.SomethingElse/1")
};

#include "OtherInterfacePlugin.moc"

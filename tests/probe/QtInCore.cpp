// Compiled with the core's include path only; it must not find Qt.
#include <QtCore/QString>

int ProbeQt() {
  return QString("core").size();
}

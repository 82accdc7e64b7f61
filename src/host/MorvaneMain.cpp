// morvane: the bench window. It owns the connection to the gauge and shows the panels of the
// plug-ins in <application directory>/plugins.

#include <QApplication>
#include <QTimer>
#include <iostream>
#include <string_view>

#include "host/HostOptions.h"
#include "host/MainWindow.h"
#include "host/QtPlatform.h"
#include "host/Screenshots.h"

int main(int argc, char** argv) {
  using namespace gaugecal;
  // Help and version need no display: answered before Qt opens one.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "--version") {
      host::HostOptions asked;
      return host::ParseHostOptions(argc, argv, asked, std::cout, std::cerr).value_or(0);
    }
  }
  QApplication app(argc, argv);  // takes Qt's own options (-platform, ...) off the line
  QApplication::setApplicationName(QStringLiteral("morvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("Morvane"));
  host::HostOptions options;
  if (const auto status = host::ParseHostOptions(argc, argv, options, std::cout, std::cerr))
    return *status;

  host::QtPlatform platform(options.virtualTime);
  const bool screenshots = !options.screenshots.empty();
  if (screenshots) {
    // Unattended: message boxes become lines on stderr, as in the command-line tool.
    platform.answer = [](const MessageRecord& m) {
      std::cerr << (m.icon == MsgIcon::Critical ? "message (critical): " : "message: ") << m.text
                << "\n";
    };
  }
  host::MainWindow window(platform, options);
  window.resize(1366, 768);  // the smallest screen a bench laptop has
  window.show();
  QTimer::singleShot(0, &window, [&] {
    window.Start();
    if (!screenshots)
      return;
    const QStringList written =
        host::RenderScreenshots(window, QString::fromStdString(options.screenshots));
    for (const QString& path : written)
      std::cout << path.toStdString() << "\n";
    QApplication::exit(written.isEmpty() ? 1 : 0);
  });
  return QApplication::exec();
}

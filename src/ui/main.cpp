// zorvan: the equation solver's window.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "ui/frm_zorvan.h"

namespace {
// Qt aborts when it cannot reach a display; say so plainly instead.
bool displayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0') return true;
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}
}  // namespace

int main(int argc, char** argv) {
  if (!displayAvailable()) {
    std::fprintf(stderr,
                 "zorvan: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                 "Run it in a desktop session, under xvfb-run, or use zorvan-cli.\n");
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zorvan"));
  QApplication::setApplicationVersion(QStringLiteral(ZORVAN_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("zorvan"));
  zorvan::ui::frmZorvan window;
  window.show();
  return app.exec();
}

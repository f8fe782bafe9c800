// zorvan: the equation solver's window.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "plot/runtime_dir.h"
#include "ui/frm_zorvan.h"

namespace {

constexpr int kUsage = 2;

void describe(QCoreApplication& app) {
  app.setApplicationName(QStringLiteral("Zorvan"));
  app.setApplicationVersion(QStringLiteral(ZORVAN_VERSION));
}

// The command line: --help and --version, a function file to open, and Qt's
// own options, which the application object has already taken out. Returns
// the exit code when the program ends here.
std::optional<int> handleCommandLine(const QStringList& arguments, QString* file = nullptr) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Find the real roots of an equation f(x) = 0, with f written as VBScript that assigns\n"
                     "MyFunction in terms of x. Opens the solver's window; see zorvan-cli for the same\n"
                     "search without a window."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Print this help and exit."));
  const QCommandLineOption version({QStringLiteral("V"), QStringLiteral("version")},
                                   QStringLiteral("Print the version and exit."));
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A function file (.vbs) to open."), QStringLiteral("[FILE]"));
  if (!parser.parse(arguments) || parser.positionalArguments().size() > 1) {
    const QString problem = parser.errorText().isEmpty()
                                ? QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().at(1))
                                : parser.errorText();
    std::fprintf(stderr, "zorvan: %s\nTry 'zorvan --help' for more information.\n", qPrintable(problem));
    return kUsage;
  }
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("zorvan %s\nQt %s\nLicense MIT: the Zorvan developers.\n", ZORVAN_VERSION, qVersion());
    return 0;
  }
  if (file != nullptr && !parser.positionalArguments().isEmpty()) *file = parser.positionalArguments().first();
  return std::nullopt;
}

bool asksForInformation(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    for (const char* option : {"-h", "--help", "-V", "--version", "-help", "-version"})
      if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

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
  // Help and version need no display.
  if (asksForInformation(argc, argv)) {
    QCoreApplication app(argc, argv);
    describe(app);
    return handleCommandLine(QCoreApplication::arguments()).value_or(0);
  }
  if (!displayAvailable()) {
    std::fprintf(stderr,
                 "zorvan: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                 "Run it in a desktop session, under xvfb-run, or use zorvan-cli.\n");
    return 1;
  }
  zorvan::plot::provideRuntimeDir();
  QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  QApplication app(argc, argv);
  describe(app);
  QApplication::setDesktopFileName(QStringLiteral("org.zorvan.Zorvan"));
  QString file;
  if (const std::optional<int> code = handleCommandLine(QApplication::arguments(), &file)) return *code;
  zorvan::ui::frmZorvan window;
  window.show();
  // A file that cannot be read is said in a box over the window.
  if (!file.isEmpty()) QTimer::singleShot(0, &window, [&window, file] { window.openFile(file); });
  return app.exec();
}

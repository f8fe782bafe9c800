// Build step: renders the one icon source (an SVG) into every form the desktop
// and the window use: PNGs for the hicolor sizes, and the window's own 32 x 32
// icon in at most 16 colours as an XPM to compile in.
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QList>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QImage render(QSvgRenderer& svg, int size, bool smooth) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, smooth);
  svg.render(&painter);
  return image;
}

// The window's icon: 32 x 32 in at most 16 colours, one of them transparent.
// Every pixel takes the nearest of the 15 colours that cover most of the
// rendered picture, which are the source's own flat colours.
bool writeWindowIcon(QSvgRenderer& svg, const QString& path) {
  const QImage image = render(svg, 32, true);
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qAlpha(c) >= 128) ++counts[qRgb(qRed(c), qGreen(c), qBlue(c))];
    }
  QList<QRgb> colours = counts.keys();
  std::sort(colours.begin(), colours.end(), [&](QRgb a, QRgb b) { return counts[a] > counts[b] || (counts[a] == counts[b] && a < b); });
  if (colours.size() > 15) colours.resize(15);
  const auto distance = [](QRgb a, QRgb b) {
    const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
  };
  // Written by hand: Qt's XPM writer names the array "dummy" and keeps no transparency.
  static constexpr char kKeys[] = " abcdefghijklmno";
  QString xpm = QStringLiteral("/* XPM */\nstatic const char* const zorvan_xpm[] = {\n\"32 32 %1 1\",\n").arg(colours.size() + 1);
  xpm += QStringLiteral("\"  c None\",\n");
  for (int i = 0; i < colours.size(); ++i)
    xpm += QStringLiteral("\"%1 c #%2\",\n").arg(QChar(kKeys[i + 1])).arg(colours[i] & 0xFFFFFF, 6, 16, QChar('0'));
  for (int y = 0; y < 32; ++y) {
    xpm += QChar('"');
    for (int x = 0; x < 32; ++x) {
      const QRgb c = image.pixel(x, y);
      int best = -1;
      if (qAlpha(c) >= 128) {
        best = 0;
        for (int i = 1; i < colours.size(); ++i)
          if (distance(c, colours[i]) < distance(c, colours[best])) best = i;
      }
      xpm += QChar(kKeys[best + 1]);
    }
    xpm += y < 31 ? QStringLiteral("\",\n") : QStringLiteral("\"\n};\n");
  }
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(xpm.toLatin1()) == xpm.toLatin1().size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon SOURCE.svg OUTPUT-DIR\n");
    return 2;
  }
  // Rendering needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "make_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString out = QString::fromLocal8Bit(argv[2]);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    if (!render(svg, size, true).save(QStringLiteral("%1/zorvan-%2.png").arg(out).arg(size))) return 1;
  }
  return writeWindowIcon(svg, out + QStringLiteral("/zorvan.xpm")) ? 0 : 1;
}

// Build step: writes the window's icon as a PNG for the desktop's icon theme.
#include <QImage>
#include <cstdio>

#include "../../resources/zorvan.xpm"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUTPUT.png\n");
    return 2;
  }
  return QImage(zorvan_xpm).save(argv[1]) ? 0 : 1;
}

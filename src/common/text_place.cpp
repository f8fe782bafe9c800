#include "common/text_place.h"

#include <algorithm>

namespace zorvan {

TextPlace placeAt(std::string_view text, std::size_t offset) {
  TextPlace p;
  offset = std::min(offset, text.size());
  for (std::size_t i = 0; i < offset; ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < offset && text[i + 1] == '\n') ++i;
      ++p.line;
      p.column = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++p.column;  // a UTF-8 continuation byte adds no character
    }
  }
  return p;
}

}  // namespace zorvan

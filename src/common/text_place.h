#pragma once
// Lines and columns in a text, as an editor counts them.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorvan {

// The line and column, each from 1, of a byte offset into text: CR LF, CR
// and LF each end a line, and a column counts characters, not bytes.
struct TextPlace {
  std::int32_t line = 1, column = 1;
};
TextPlace placeAt(std::string_view text, std::size_t offset);

}  // namespace zorvan

#include "eval/vbscript/builtins/text_search.h"

#include <algorithm>

#include "common/abort.h"

namespace zorvan::vbs {

TextFinder::TextFinder(std::string_view needle) : needle_(needle), border_(needle.size() + 1, 0) {
  std::size_t k = 0;
  for (std::size_t i = 1; i < needle_.size(); ++i) {
    if (i % kAbortCheckStride == 0) stopIfAborted();
    while (k > 0 && needle_[i] != needle_[k]) k = border_[k];
    if (needle_[i] == needle_[k]) ++k;
    border_[i + 1] = k;
  }
}

std::size_t TextFinder::findIn(std::string_view hay, std::size_t from) const {
  const std::size_t m = needle_.size();
  if (from > hay.size()) return std::string::npos;
  if (m == 0) return from;
  std::size_t k = 0;
  for (std::size_t i = from; i < hay.size(); ++i) {
    if ((i - from) % kAbortCheckStride == kAbortCheckStride - 1) stopIfAborted();
    while (k > 0 && hay[i] != needle_[k]) k = border_[k];
    if (hay[i] == needle_[k]) ++k;
    if (k == m) return i + 1 - m;
  }
  return std::string::npos;
}

std::size_t findLast(std::string_view hay, std::string_view needle, std::size_t last) {
  const std::size_t m = needle.size();
  if (m > hay.size()) return std::string::npos;
  last = std::min(last, hay.size() - m);
  // The first match in the texts read backwards is the last one.
  const std::string_view head = hay.substr(0, last + m);
  const std::string backwards(head.rbegin(), head.rend());
  const std::size_t at = TextFinder(std::string(needle.rbegin(), needle.rend())).findIn(backwards);
  return at == std::string::npos ? at : head.size() - at - m;
}

}  // namespace zorvan::vbs

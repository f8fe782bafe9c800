#pragma once
// Finding one text in another in time linear in both (Knuth-Morris-Pratt),
// where std::string::find may take the product of their lengths. A search
// through a long text looks at the run's abort word as it goes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::vbs {

class TextFinder {
 public:
  explicit TextFinder(std::string_view needle);
  // The first place at or after from where the needle starts; npos for none.
  std::size_t findIn(std::string_view hay, std::size_t from = 0) const;

 private:
  std::string needle_;
  std::vector<std::size_t> border_;  // of each prefix: its longest proper border
};

// The last place at or before last where needle starts; npos for none.
std::size_t findLast(std::string_view hay, std::string_view needle, std::size_t last);

}  // namespace zorvan::vbs

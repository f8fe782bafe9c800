#pragma once
// VBScript's names are the same in any case: each is looked up by its
// lower-case form, its key. Only ASCII letters fold, as in VBScript.

#include <string>
#include <string_view>

namespace zorvan {

inline std::string foldCase(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

}  // namespace zorvan

#pragma once
// zorvan-cli's host for a Solve: what the window would show, printed as it
// happens, as text or as one JSON object per line.

#include <ostream>
#include <string>
#include <string_view>

#include "solver/services.h"

namespace zorvan::cli {

class RunControl;

class ConsoleHost final : public SolveHost {
 public:
  ConsoleHost(std::ostream& out, Clock& clock, bool json, RunControl& control)
      : out_(out), clock_(clock), json_(json), control_(control) {}
  void appendResult(const ReportedRoot& root) override;
  void showMessage(std::string_view text) override;
  void showError(const ScriptError& e, std::string_view text) override;
  Clock& clock() override { return clock_; }
  bool cancelRequested() override;

 private:
  std::ostream& out_;
  Clock& clock_;
  bool json_;
  RunControl& control_;
};

// text as a JSON string, quoted; bytes that are not UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);
// A Value as JSON: numbers as numbers, Boolean as true or false, text as a
// string, Empty, Null, Nothing and arrays as null.
std::string jsonValue(const Value& v);
// An engine error's members for a JSON object, without braces:
// "number":N,"line":L,"column":C,"text":"Error N : ..." (line and column null where unknown).
std::string jsonErrorMembers(const ScriptError& e);

}  // namespace zorvan::cli

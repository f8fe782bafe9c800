#pragma once
// Compiles script text into procedures and global statements, with every
// name bound. A compile error throws ScriptError and leaves the module as it was.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "eval/vbscript/bytecode.h"

namespace zorvan::vbs {

// What the code added so far has declared.
struct Module {
  std::unordered_map<std::string, std::unique_ptr<Procedure>> procedures;
  std::unordered_map<std::string, int> globals;  // key -> index into Runtime::globals
  std::unordered_map<std::string, Value> constants;
  std::unordered_set<int> fixedGlobals;  // arrays declared with their size
  // The code of procedures declared again while a run was under way; no
  // longer needed once the host calls the engine again.
  std::vector<std::shared_ptr<const Code>> retiredCode;
  int globalCount = 0;
  bool optionExplicit = false;
};

// One piece of added code, compiled against a module but not yet merged into it.
struct CodeUnit {
  std::vector<std::unique_ptr<Procedure>> procedures;
  std::vector<std::pair<std::string, int>> globals;
  std::unordered_map<std::string, Value> constants;
  std::vector<ArrayDecl> arrays;  // created before the global code runs
  std::vector<int> fixedGlobals;
  bool optionExplicit = false;
  std::shared_ptr<const Code> globalCode;
  // For Eval's text: where its value lands.
  int resultSlot = -1;
};

// fastPaths: whether the bytecode takes the numeric fast paths; located:
// whether its errors and statements carry their places in the text (the
// host's text: not text compiled while a call runs).
CodeUnit compile(std::string_view source, const Module& module, bool fastPaths = true, bool located = false);

// Compiles text while a call runs, in its names (none: the global level):
// Execute's statements, or with expression Eval's expression.
CodeUnit compileInScope(std::string_view source, const Module& module, const LocalScope* scope, bool expression,
                        bool fastPaths = true);

// Adds the unit's declarations to the module; its global code stays in the unit.
void merge(Module& module, CodeUnit& unit);

}  // namespace zorvan::vbs

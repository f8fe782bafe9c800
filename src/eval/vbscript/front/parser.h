#pragma once
// Parses script text into its syntax tree and its declarations. Names are
// collected as they are met and bound afterwards (binder.h), once the whole
// text is known. A parse error throws ScriptError.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "eval/vbscript/bytecode/program.h"
#include "eval/vbscript/front/syntax_tree.h"

namespace zorvan::vbs {

// The code of a procedure, or of the text's own statements: its tree, its
// variables and the names in it, which the binder binds.
struct Scope {
  Procedure* proc = nullptr;  // null for the global code
  std::unordered_map<std::string, int> locals;
  std::unordered_map<std::string, Value> constants;
  std::unordered_set<std::string> fixedArrays;  // locals declared with their size
  std::vector<Name*> names;
  std::vector<std::pair<std::string, int>> implicit;  // variables made by their use, with their registers
  Block body;
  int forDepth = 0, doDepth = 0;
  bool root = false;  // the outermost level of the text: procedures may be declared here
};

// One piece of text, parsed against a module.
struct ParsedUnit {
  CodeUnit unit;  // what it declares; its code is still to be made
  Scope global;   // the text's own statements
  std::vector<Scope> procedures;  // the code of each of unit.procedures, in order
  std::unordered_map<std::string, int> unitGlobals;
  std::unordered_map<std::string, Procedure*> unitProcs;
  // Text compiled while a call runs: the procedure that stands for it,
  // whose scope is `global`; null at the global level.
  std::unique_ptr<Procedure> inner;
  // Eval's text: its one statement assigns the expression's value.
  bool expression = false;
  // The registers of the global code's variables, and how many globals
  // there are once the names are bound; set by the binder.
  int variables = 0;
  std::size_t globalsKnown = 0;

  int addGlobal(const std::string& key, const Module& module);
  bool fixedGlobal(int index, const Module& module) const;
};

// located: the text is the host's, whose errors carry their place in it.
ParsedUnit parse(std::string_view source, const Module& module, bool located);

// Text compiled while a call runs, in its names (none: the global level):
// Execute's statements, or with expression Eval's expression.
ParsedUnit parseInScope(std::string_view source, const Module& module, const LocalScope* scope, bool expression);

}  // namespace zorvan::vbs

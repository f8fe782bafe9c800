#pragma once
// A compiled script: its procedures, each with its bytecode and, where it
// is numeric throughout, its plan; and the module that gathers what every
// piece of added code has declared.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/value.h"

namespace zorvan::vbs {

struct Code;
struct NumericPlan;

// A variable declared as an array: Dim a(2, 3), or Dim a() to be sized by ReDim.
struct ArrayDecl {
  int place;  // its register, or ~ its global
  std::vector<std::int32_t> upper;
  bool sized;
};

// The names of a procedure's call, for text compiled while it runs (Eval
// and Execute): its variables are the call's first registers.
struct LocalScope {
  std::string procedure;  // the key of the procedure whose call it is
  std::unordered_map<std::string, int> locals;
  std::unordered_map<std::string, Value> constants;
  std::unordered_set<std::string> fixedArrays;
  int slotCount = 0;
  // The variables made by their use rather than declared, each with its
  // register: VBScript finds such a name among the globals when it runs, so
  // a global of that name declared since (by ExecuteGlobal) is the one read
  // and written. How many globals there were when the names were bound.
  std::vector<std::pair<std::string, int>> implicit;
  std::size_t globalsKnown = 0;
};

struct Param {
  std::string key;
  bool byRef = true;
};

struct Procedure {
  std::string name;
  std::string key;
  bool isFunction = true;
  std::vector<Param> params;
  int slotCount = 0;
  int returnSlot = -1;
  std::vector<ArrayDecl> arrays;  // created as each call starts
  std::shared_ptr<const Code> code;
  // The same code for a call with a Double, where it is numeric throughout.
  std::shared_ptr<const NumericPlan> plan;
  // A global declared since it was compiled has the name of one of its
  // variables made by use: it reaches outside its frame, and has no plan.
  bool readsLateGlobals = false;
};

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

// Adds the unit's declarations to the module; its global code stays in the unit.
void merge(Module& module, CodeUnit& unit);

}  // namespace zorvan::vbs

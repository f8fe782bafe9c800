#include "eval/vbscript/bytecode/purity.h"

#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/bytecode/program.h"

#include <unordered_set>
#include <vector>

namespace zorvan::vbs {

namespace {

// Whether one instruction keeps to its frame; a procedure it calls is noted
// in `callees`, to be looked at in turn.
bool keepsToItsFrame(const Ins& in, const Code& c, std::vector<const Procedure*>& callees) {
  switch (in.op) {
    // Effects outside the frame, or answers that need not repeat.
    case Op::SetGlobal:
    case Op::OnError:
    case Op::ErrProperty:
    case Op::ErrClear:
    case Op::ErrRaise:
    case Op::ErrSet:
    case Op::ScriptText:
    case Op::LateCall:
      return false;
    case Op::Unary:
    case Op::CallBuiltin:
      return !in.builtin->stateful;
    // A place below nought is a global.
    case Op::ForPrep:
    case Op::ForLoop:
    case Op::NewArray:
    case Op::SetIndex:
    case Op::ReDim:
    case Op::Erase:
    case Op::ForEachPrep:
    case Op::ForEachLoop:
      return in.a >= 0;
    case Op::CallProc: {
      const CallSite& site = c.calls[static_cast<std::size_t>(in.c)];
      for (const CallArg& a : site.args)
        if (a.kind == CallArg::Kind::Global) return false;  // the callee may write it
      callees.push_back(site.procedure);
      return true;
    }
    default:
      return true;
  }
}

}  // namespace

// Every procedure the calls reach is looked at once, from a list rather than
// by recursion: a chain of calls as long as hostile text makes it needs no
// native stack. A cycle of calls is pure when each of its procedures is.
bool isPure(const Procedure& p) {
  std::unordered_set<const Procedure*> seen{&p};
  std::vector<const Procedure*> pending{&p}, callees;
  while (!pending.empty()) {
    const Procedure* next = pending.back();
    pending.pop_back();
    if (next->readsLateGlobals) return false;
    if (next->code == nullptr) continue;
    callees.clear();
    for (const Ins& in : next->code->ins)
      if (!keepsToItsFrame(in, *next->code, callees)) return false;
    for (const Procedure* callee : callees)
      if (seen.insert(callee).second) pending.push_back(callee);
  }
  return true;
}

}  // namespace zorvan::vbs

#include "eval/vbscript/purity.h"

#include <unordered_set>

namespace zorvan::vbs {

namespace {

class PurityCheck {
 public:
  // A procedure met again while it is being checked counts as pure: the
  // cycle's other instructions decide.
  bool procedure(const Procedure& p) {
    if (!seen_.insert(&p).second) return true;
    return p.code == nullptr || code(*p.code);
  }

 private:
  bool code(const Code& c) {
    for (const Ins& in : c.ins)
      if (!instruction(in, c)) return false;
    return true;
  }

  bool instruction(const Ins& in, const Code& c) {
    switch (in.op) {
      // Effects outside the frame, or answers that need not repeat.
      case Op::SetGlobal:
      case Op::OnError:
      case Op::ErrProperty:
      case Op::ErrClear:
      case Op::ErrRaise:
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
        return procedure(*site.procedure);
      }
      default:
        return true;
    }
  }

  std::unordered_set<const Procedure*> seen_;
};

}  // namespace

bool isPure(const Procedure& p) { return PurityCheck().procedure(p); }

}  // namespace zorvan::vbs

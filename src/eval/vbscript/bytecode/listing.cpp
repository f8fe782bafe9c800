#include "eval/vbscript/bytecode/listing.h"

#include <cstdio>

#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/bytecode/program.h"

namespace zorvan::vbs {

namespace {

std::string r(std::int32_t i) { return registerText(i); }
std::string jump(std::int32_t target) { return jumpText(target); }
// A register, or ~ a global: a place an array or a For counter lives in.
std::string place(std::int32_t p) { return p >= 0 ? r(p) : "g" + std::to_string(~p); }
std::string registers(std::int32_t first, std::int32_t count) {
  if (count <= 0) return "()";
  if (count == 1) return "(" + r(first) + ")";
  return "(" + r(first) + ".." + r(first + count - 1) + ")";
}
std::string number(double k) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", k);
  return buffer;
}
std::string errProperty(std::int32_t b) {
  static constexpr const char* kNames[] = {"Number", "Description", "Source", "HelpFile", "HelpContext"};
  return b >= 0 && b < 5 ? std::string("Err.") + kNames[b] : "Err.?";
}

class Lister {
 public:
  explicit Lister(const Code& code) : code_(code) {}

  std::string rk(std::int32_t o) const {
    if (o >= 0) return r(o);
    return "k" + std::to_string(~o) + "=" + constantText(code_.constants[static_cast<std::size_t>(~o)]);
  }
  std::string text(std::int32_t i) const {
    return i >= 0 && static_cast<std::size_t>(i) < code_.texts.size() ? code_.texts[static_cast<std::size_t>(i)] : "";
  }
  std::string operands(const Ins& in) const {
    const std::string bop(binOpText(in.bop));
    switch (in.op) {
      case Op::Move: case Op::AssignReturn: case Op::Neg: case Op::Not:
        return r(in.a) + ", " + rk(in.b);
      case Op::Assign:
        return r(in.a) + ", " + rk(in.b) + (in.flag ? "  Set" : "");
      case Op::GetGlobal: return r(in.a) + ", g" + std::to_string(in.b);
      case Op::SetGlobal: return "g" + std::to_string(in.a) + ", " + rk(in.b) + (in.flag ? "  Set" : "");
      case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Pow:
        return r(in.a) + ", " + rk(in.b) + ", " + rk(in.c);
      case Op::AddK: case Op::SubK: case Op::MulK: case Op::DivK:
        return in.flag ? r(in.a) + ", " + number(in.k) + ", " + rk(in.b) : r(in.a) + ", " + rk(in.b) + ", " + number(in.k);
      case Op::Binary: case Op::Compare:
        return r(in.a) + ", " + rk(in.b) + " " + bop + " " + rk(in.c);
      case Op::Branch:
        return rk(in.b) + " " + bop + " " + rk(in.c) + (in.flag ? "" : " fails") + " " + jump(in.a);
      case Op::BranchK:
        return rk(in.b) + " " + bop + " " + number(in.k) + (in.flag ? "" : " fails") + " " + jump(in.a);
      case Op::Jump: return jump(in.a);
      case Op::JumpIf: return rk(in.b) + (in.flag ? "" : " fails") + " " + jump(in.a);
      case Op::Math: case Op::Unary:
        return r(in.a) + ", " + in.builtin->name + "(" + rk(in.b) + ")";
      case Op::CallBuiltin: return r(in.a) + ", " + in.builtin->name + registers(in.b, in.c);
      case Op::CallProc: {
        const CallSite& site = code_.calls[static_cast<std::size_t>(in.c)];
        return r(in.a) + ", " + call(site.procedure->name, site);
      }
      case Op::ToNumber: return r(in.a);
      case Op::ForPrep:
        return "counter " + place(in.a) + ", from " + registers(in.b, 3) + " " + jump(in.c) + " when done";
      case Op::ForLoop: return "counter " + place(in.a) + ", step " + r(in.b + 2) + " " + jump(in.c) + " again";
      case Op::Tick: case Op::ErrClear: case Op::Return: return "";
      case Op::OnError: return in.flag ? "Resume Next" : "GoTo 0";
      case Op::ErrProperty: return r(in.a) + ", " + errProperty(in.b);
      case Op::ErrNumber: return r(in.a);
      case Op::ErrRaise: return registers(in.a, in.b) + " given " + std::to_string(in.c);
      case Op::ErrSet: return errProperty(in.b) + ", " + r(in.a);
      case Op::ScriptText: {
        static constexpr const char* kKinds[] = {"", "", "Eval", "Execute", "ExecuteGlobal"};
        const char* kind = in.c >= 0 && in.c < 5 ? kKinds[in.c] : "?";
        return r(in.a) + ", " + kind + "(" + r(in.b) + ")";
      }
      case Op::LateCall:
        return r(in.a) + ", " + call(text(in.n), code_.calls[static_cast<std::size_t>(in.c)]) + "  late-bound";
      case Op::NewArray:
        return place(in.a) + (in.flag ? ", shape " + std::to_string(in.b) : ", unsized");
      case Op::MakeArray: return r(in.a) + ", Array" + registers(in.b, in.c);
      case Op::Index:
        return r(in.a) + ", " + text(subscriptName(in.n)) + " " + place(in.b) +
               registers(in.c, subscriptCount(in.n));
      case Op::SetIndex:
        return text(subscriptName(in.n)) + " " + place(in.a) + registers(in.b, subscriptCount(in.n)) + ", " + rk(in.c);
      case Op::ReDim: return (in.flag ? "Preserve " : "") + place(in.a) + registers(in.b, in.c);
      case Op::Erase: return place(in.a) + (in.flag ? "  sized" : "");
      case Op::ForEachPrep:
        return place(in.a) + ", over " + r(in.b) + " " + jump(in.c) + " when empty";
      case Op::ForEachLoop: return place(in.a) + ", over " + r(in.b) + " " + jump(in.c) + " again";
      case Op::Raise: return "error " + std::to_string(in.a) + (in.b >= 0 ? " '" + text(in.b) + "'" : "");
    }
    return "";
  }

 private:
  static std::string call(const std::string& name, const CallSite& site) {
    std::string s = name + "(";
    for (std::size_t i = 0; i < site.args.size(); ++i) {
      const CallArg& arg = site.args[i];
      if (i > 0) s += ", ";
      if (arg.kind == CallArg::Kind::Value) s += r(arg.index);
      else if (arg.kind == CallArg::Kind::Local) s += "&" + r(arg.index);
      else s += "&g" + std::to_string(arg.index);
    }
    return s + ")";
  }

  const Code& code_;
};

}  // namespace

std::string constantText(const Value& v) {
  if (v.isEmpty()) return "Empty";
  if (v.isNull()) return "Null";
  if (v.isString()) return "\"" + v.toText() + "\"";
  if (v.isObject() || v.isArray()) return std::string(typeName(v.type()));
  return v.toText();
}

std::string listBytecode(const Code& code) {
  const Lister lister(code);
  std::string out = "  " + std::to_string(code.registers) + " registers, " + std::to_string(code.ins.size()) +
                    " instructions" + (code.fast ? "" : ", without fast paths") + "\n";
  for (std::size_t pc = 0; pc < code.ins.size(); ++pc)
    out += listingLine(pc, opName(code.ins[pc].op), lister.operands(code.ins[pc]));
  return out;
}

std::string registerText(std::int32_t r) { return "r" + std::to_string(r); }
std::string jumpText(std::int32_t target) { return "-> " + std::to_string(target); }

std::string listingLine(std::size_t index, std::string_view op, const std::string& operands) {
  char head[40];
  std::snprintf(head, sizeof head, "  %4zu  %-14.*s", index, static_cast<int>(op.size()), op.data());
  std::string line = head + operands;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

}  // namespace zorvan::vbs

#include <cstdio>
#include <map>

#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/bytecode/listing.h"
#include "eval/vbscript/plan/numeric_plan.h"

namespace zorvan::vbs {

namespace {

std::string r(std::int32_t i) { return registerText(i); }
std::string jump(std::int32_t target) { return jumpText(target); }

std::string kernelName(double (*kernel)(double)) {
  for (const Builtin& b : allBuiltins())
    if (b.kernel == kernel) return b.name;
  return "?";
}

// The operands of an instruction; "acc" is the value at hand.
std::string operands(const PlanIns& in) {
  const auto left = [&] { return leftAtHand(in.op) ? std::string("acc") : r(in.b); };
  const auto right = [&] { return rightAtHand(in.op) ? std::string("acc") : r(in.c); };
  const std::string bop(binOpText(in.bop));
  const std::string type(typeName(in.type));
  if (hasFourForms(in.op)) {
    if (in.op >= PlanOp::Branch) return left() + " " + bop + " " + right() + (in.flag ? "" : " fails") + " " + jump(in.a);
    if (in.op >= PlanOp::Compare) return r(in.a) + ", " + left() + " " + bop + " " + right();
    return r(in.a) + ", " + left() + ", " + right();
  }
  switch (in.op) {
    case PlanOp::Copy: case PlanOp::CopyTagged: case PlanOp::Neg: return r(in.a) + ", " + r(in.b);
    case PlanOp::CopyL: case PlanOp::NegL: return r(in.a) + ", acc";
    case PlanOp::Tag: return r(in.a) + " is " + type;
    case PlanOp::Math: return r(in.a) + ", " + kernelName(in.kernel) + "(" + r(in.b) + ")";
    case PlanOp::MathL: return r(in.a) + ", " + kernelName(in.kernel) + "(acc)";
    case PlanOp::JumpIf: return r(in.b) + (in.flag ? "" : " fails") + " " + jump(in.a);
    case PlanOp::JumpIfL: return std::string("acc") + (in.flag ? "" : " fails") + " " + jump(in.a);
    case PlanOp::Jump: return jump(in.a);
    case PlanOp::ForPrep:
      return "counter " + r(in.a) + ", from " + r(in.b) + ".." + r(in.b + 2) + " " + jump(in.c) + " when done";
    case PlanOp::ForLoop:
      return type + " counter " + r(in.a) + ", step " + r(in.b + 2) + " " + jump(in.c) + " again";
    case PlanOp::ForLoopReal:
      return "counter " + r(in.a) + ", step " + r(in.b + 2) + " " + jump(in.c) + " again";
    case PlanOp::Return: return (in.a >= 0 ? r(in.a) : std::string("0")) + " as " + type;
    case PlanOp::MakeArray:
      return r(in.a) + ".." + r(in.a + in.c - 1) + ", " + r(in.b) + ".." + r(in.b + in.c - 1);
    case PlanOp::LoadIndexed: return r(in.a) + ", " + r(in.b) + "[" + r(in.c) + "] of " + std::to_string(in.n);
    case PlanOp::ReturnDouble: case PlanOp::ReturnTagged: return r(in.a);
    case PlanOp::ReturnDoubleL: return "acc";
    default: return "";
  }
}

std::string types(std::uint16_t bits) {
  std::string s;
  for (int t = 0; t <= static_cast<int>(VType::Array); ++t) {
    if ((bits & (1u << t)) == 0) continue;
    if (!s.empty()) s += "|";
    s += typeName(static_cast<VType>(t));
  }
  return s.empty() ? "unused" : s;
}

}  // namespace

std::string listPlanInstruction(const NumericPlan& plan, std::size_t j) {
  return listingLine(j, planOpName(plan.ins[j].op), operands(plan.ins[j]));
}

std::string listPlan(const NumericPlan& plan) {
  std::string out = "  registers:";
  std::map<std::int32_t, double> start(plan.start.begin(), plan.start.end());
  for (std::size_t i = 0; i < plan.types.size(); ++i) {
    out += " " + r(static_cast<std::int32_t>(i)) + " " + types(plan.types[i]);
    if (i == 0) out += " (x)";
  }
  for (const auto& [reg, v] : start) {
    if (static_cast<std::size_t>(reg) < plan.types.size()) continue;
    char k[40];
    std::snprintf(k, sizeof k, " %s=%.17g", r(reg).c_str(), v);
    out += k;
  }
  out += std::string(plan.tagged ? "; some registers carry a type tag" : "") + "\n";
  for (std::size_t j = 0; j < plan.ins.size(); ++j) out += listPlanInstruction(plan, j);
  return out;
}

}  // namespace zorvan::vbs

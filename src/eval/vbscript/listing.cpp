#include "eval/vbscript/listing.h"

#include <algorithm>
#include <vector>

#include "eval/vbscript/bytecode/code.h"
#include "eval/vbscript/bytecode/listing.h"
#include "eval/vbscript/plan/numeric_plan.h"

namespace zorvan::vbs {

std::string listProcedure(const Procedure& p, bool native) {
  std::string out = std::string(p.isFunction ? "Function " : "Sub ") + p.name + "(";
  for (std::size_t i = 0; i < p.params.size(); ++i)
    out += (i > 0 ? ", " : "") + std::string(p.params[i].byRef ? "" : "ByVal ") + p.params[i].key;
  out += ")\n bytecode\n" + (p.code != nullptr ? listBytecode(*p.code) : std::string("  none\n"));
  if (p.plan == nullptr) return out + " no numeric plan\n";
  const auto plan = native ? withNativeCode(p.plan) : p.plan;
  out += " numeric plan\n" + listPlan(*plan);
  if (native) out += " machine code\n" + listMachineCode(*plan);
  return out;
}

std::string listModule(const Module& module) {
  std::vector<const Procedure*> procedures;
  for (const auto& [key, p] : module.procedures) procedures.push_back(p.get());
  std::sort(procedures.begin(), procedures.end(), [](auto* a, auto* b) { return a->key < b->key; });
  std::string out;
  for (const Procedure* p : procedures) out += (out.empty() ? "" : "\n") + listProcedure(*p);
  return out;
}

}  // namespace zorvan::vbs

#include <capstone/capstone.h>

#include <cstdio>

#include "eval/vbscript/native/native_plan.h"
#include "eval/vbscript/plan/numeric_plan.h"

namespace zorvan::vbs {

namespace {

// x86-64 in Intel syntax, one instruction a line at its offset in the code.
class Disassembler {
 public:
  Disassembler() { ok_ = cs_open(CS_ARCH_X86, CS_MODE_64, &handle_) == CS_ERR_OK; }
  ~Disassembler() {
    if (ok_) cs_close(&handle_);
  }
  Disassembler(const Disassembler&) = delete;
  Disassembler& operator=(const Disassembler&) = delete;

  std::string lines(const std::uint8_t* code, std::size_t begin, std::size_t end) const {
    if (!ok_ || end <= begin) return "";
    cs_insn* insn = nullptr;
    const std::size_t count = cs_disasm(handle_, code + begin, end - begin, begin, 0, &insn);
    std::string out;
    char line[256];
    for (std::size_t i = 0; i < count; ++i) {
      std::snprintf(line, sizeof line, "          %04llx  %-8s %s\n", static_cast<unsigned long long>(insn[i].address),
                    insn[i].mnemonic, insn[i].op_str);
      out += line;
    }
    cs_free(insn, count);
    return out;
  }

 private:
  csh handle_ = 0;
  bool ok_ = false;
};

}  // namespace

std::string listMachineCode(const NumericPlan& plan) {
  if (plan.native == nullptr) return "  no machine code on this machine\n";
  const NativePlan& native = *plan.native;
  const auto* code = static_cast<const std::uint8_t*>(native.code().start());
  const Disassembler d;
  std::string out = "  " + std::to_string(native.codeEnd) + " bytes of code, then constants\n";
  out += "  entry\n" + d.lines(code, 0, native.starts.front());
  for (std::size_t j = 0; j + 1 < native.starts.size(); ++j)
    out += listPlanInstruction(plan, j) + d.lines(code, native.starts[j], native.starts[j + 1]);
  return out + "  exits: bailing out, aborted\n" + d.lines(code, native.starts.back(), native.codeEnd);
}

}  // namespace zorvan::vbs

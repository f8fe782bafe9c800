#pragma once
// The instructions that make, read and change arrays. They are rare on the
// numeric path, so they stay out of the interpreter's loop and its registers.

#include "eval/vbscript/bytecode/code.h"
#include "eval/vbscript/vm/runtime.h"

namespace zorvan::vbs {

void newArrayOp(const Ins& in, const Code& code, Slot* R, Runtime& rt);
void makeArrayOp(const Ins& in, Slot* R);
void indexOp(const Ins& in, const Code& code, Slot* R, Runtime& rt);
void setIndexOp(const Ins& in, const Code& code, Slot* R, Runtime& rt);
void redimOp(const Ins& in, Slot* R, Runtime& rt);
void eraseOp(const Ins& in, Slot* R, Runtime& rt);
// Whether the loop has an element to start with; if so, it is in the loop's variable.
bool forEachFirst(const Ins& in, Slot* R, Runtime& rt);
// Whether the loop goes on; if so, its variable holds the next element.
bool forEachNext(const Ins& in, Slot* R, Runtime& rt);

}  // namespace zorvan::vbs

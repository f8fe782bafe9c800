#pragma once
// The engine's pipeline, from script text to what runs: tokens, syntax tree,
// bound names, bytecode, and for a procedure numeric throughout its plan.

#include <string_view>

#include "eval/vbscript/bytecode/program.h"

namespace zorvan::vbs {

// fastPaths: whether the bytecode takes the numeric fast paths; located:
// whether its errors and statements carry their places in the text (the
// host's text: not text compiled while a call runs). A compile error throws
// ScriptError and leaves the module as it was.
CodeUnit compile(std::string_view source, const Module& module, bool fastPaths = true, bool located = false);

// Compiles text while a call runs, in its names (none: the global level):
// Execute's statements, or with expression Eval's expression.
CodeUnit compileInScope(std::string_view source, const Module& module, const LocalScope* scope, bool expression,
                        bool fastPaths = true);

}  // namespace zorvan::vbs

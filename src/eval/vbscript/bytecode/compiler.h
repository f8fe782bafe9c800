#pragma once
// Turns the bound tree of a procedure, or of a unit's global code, into
// bytecode. Each construct is compiled in one place; with fast paths on, the
// common numeric patterns get superinstructions.

#include <memory>
#include <vector>

#include "eval/vbscript/bytecode/code.h"
#include "eval/vbscript/bytecode/program.h"

namespace zorvan::vbs {

// The syntax tree's statements (syntax_tree.h).
struct Stmt;
using Block = std::vector<std::unique_ptr<Stmt>>;

// variables: the registers the body's names are bound to, before its
// temporaries; arrays: the arrays its declarations create before it runs;
// scope: its names, for the text Eval and Execute compile while it runs.
std::shared_ptr<const Code> compileBody(const Block& body, int variables, bool fastPaths,
                                        const std::vector<ArrayDecl>& arrays,
                                        std::shared_ptr<const LocalScope> scope = nullptr);

}  // namespace zorvan::vbs

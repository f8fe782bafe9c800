#include "eval/vbscript/front/parser.h"

#include <algorithm>
#include <initializer_list>
#include <unordered_set>
#include <utility>

#include "common/array.h"
#include "common/error.h"
#include "common/text_place.h"
#include "eval/vbscript/builtins/builtins.h"
#include "common/stack_room.h"
#include "eval/vbscript/front/lexer.h"
#include "eval/vbscript/front/syntax_tree.h"

namespace zorvan::vbs {

namespace {

// Deeper nesting of expressions or blocks than this is refused, so that
// neither the parser nor a run can exhaust the native stack. It counts what
// the user wrote inside a procedure: each parenthesis, sign, call argument
// or block is a level, and a statement with its expression takes two more.
constexpr int kMaxNesting = 1000;
constexpr int kStatementLevels = 2;
// Runs of operators longer than this become one ChainExpr instead of a deep tree.
constexpr std::size_t kMaxTreeRun = 16;

// Precedence levels, lowest first.
enum Level : int { Imp, Eqv, Xor, Or, And, NotLevel, Cmp, Concat, AddSub, ModLevel, IntDiv, MulDiv, NegLevel, Pow };

int binaryLevel(Tok t) {
  switch (t) {
    case Tok::Imp: return Imp;
    case Tok::Eqv: return Eqv;
    case Tok::Xor: return Xor;
    case Tok::Or: return Or;
    case Tok::And: return And;
    case Tok::Eq: case Tok::Ne: case Tok::Lt: case Tok::Gt: case Tok::Le: case Tok::Ge: case Tok::Is: return Cmp;
    case Tok::Amp: return Concat;
    case Tok::Plus: case Tok::Minus: return AddSub;
    case Tok::Mod: return ModLevel;
    case Tok::Backslash: return IntDiv;
    case Tok::Star: case Tok::Slash: return MulDiv;
    case Tok::Caret: return Pow;
    default: return -1;
  }
}

BinOp binaryOp(Tok t) {
  switch (t) {
    case Tok::Imp: return BinOp::Imp;
    case Tok::Eqv: return BinOp::Eqv;
    case Tok::Xor: return BinOp::Xor;
    case Tok::Or: return BinOp::Or;
    case Tok::And: return BinOp::And;
    case Tok::Eq: return BinOp::Eq;
    case Tok::Ne: return BinOp::Ne;
    case Tok::Lt: return BinOp::Lt;
    case Tok::Gt: return BinOp::Gt;
    case Tok::Le: return BinOp::Le;
    case Tok::Ge: return BinOp::Ge;
    case Tok::Is: return BinOp::Is;
    case Tok::Amp: return BinOp::Concat;
    case Tok::Plus: return BinOp::Add;
    case Tok::Minus: return BinOp::Sub;
    case Tok::Mod: return BinOp::Mod;
    case Tok::Backslash: return BinOp::IntDiv;
    case Tok::Star: return BinOp::Mul;
    case Tok::Slash: return BinOp::Div;
    default: return BinOp::Pow;
  }
}

class Parser {
 public:
  // located: the text is the host's, whose statements carry their places.
  Parser(std::string_view source, const Module& module, bool located = false)
      : source_(source), toks_(tokenize(source)), module_(module), located_(located) {}

  // A compile error in the host's text takes the place where parsing stopped.
  void place(ScriptError& e) const {
    if (!located_ || e.line != 0) return;
    const TextPlace at = placeAt(source_, cur().offset);
    e.line = at.line;
    e.column = at.column;
  }

  ParsedUnit run() {
    out_.global.root = true;
    scope_ = &out_.global;
    failOnLexicalError();
    out_.global.body = parseBlock({});
    if (kind() != Tok::End) unexpected();
    out_.unit.optionExplicit = explicit_ || module_.optionExplicit;
    return std::move(out_);
  }

  // Text compiled while a call runs, in that call's names (none at the
  // global level): Execute's statements, or Eval's expression, assigned to
  // a register of its own.
  ParsedUnit runInScope(const LocalScope* outer, bool expression) {
    Scope& root = out_.global;
    if (outer != nullptr) {
      // Stands for the text: it holds the variables the text adds to the call's.
      out_.inner = std::make_unique<Procedure>();
      out_.inner->key = outer->procedure;
      root.proc = out_.inner.get();
      root.locals = outer->locals;
      root.constants = outer->constants;
      root.fixedArrays = outer->fixedArrays;
    }
    root.root = true;
    scope_ = &root;
    failOnLexicalError();
    if (expression) {
      // Eval's expression counts as the statement that assigns it would: the
      // statement's level above the expression's own.
      depth_ += kStatementLevels - 1;
      skipSeparators();
      auto result = std::make_unique<AssignStmt>();
      result->value = parseExpr();
      result->anyValue = true;
      skipSeparators();
      if (kind() != Tok::End) raise(err::ExpectedEndOfStatement);
      root.body.push_back(std::move(result));
    } else {
      root.body = parseBlock({});
      if (kind() != Tok::End) unexpected();
    }
    out_.expression = expression;
    out_.unit.optionExplicit = explicit_ || module_.optionExplicit;
    return std::move(out_);
  }

 private:
  // ---- tokens
  const Token& cur() const { return toks_[pos_]; }
  Tok kind(std::size_t ahead = 0) const {
    const std::size_t k = pos_ + ahead;
    return k < toks_.size() ? toks_[k].kind : Tok::End;
  }
  void advance() {
    if (pos_ + 1 < toks_.size()) ++pos_;
    failOnLexicalError();
  }
  void failOnLexicalError() const {
    if (toks_[pos_].kind == Tok::Error) raise(toks_[pos_].value.rawWhole());
  }
  bool accept(Tok t) {
    if (kind() != t) return false;
    advance();
    return true;
  }
  void expect(Tok t, std::int32_t error) {
    if (!accept(t)) raise(error);
  }
  bool isIdentNamed(std::string_view key) const { return kind() == Tok::Ident && foldCase(cur().text) == key; }
  bool atStatementEnd() const {
    const Tok k = kind();
    return k == Tok::Newline || k == Tok::Colon || k == Tok::End || (k == Tok::Else && inlineIf_ > 0);
  }
  void endOfStatement() {
    if (kind() == Tok::Newline || kind() == Tok::Colon) advance();
    else if (kind() != Tok::End && !(kind() == Tok::Else && inlineIf_ > 0)) raise(err::ExpectedEndOfStatement);
  }
  void skipSeparators() {
    while (kind() == Tok::Newline || kind() == Tok::Colon) advance();
  }
  [[noreturn]] void unexpected() {
    switch (kind()) {
      case Tok::Next: raise(err::UnexpectedNext);
      case Tok::Loop: raise(err::LoopWithoutDo);
      default: raise(err::ExpectedStatement);
    }
  }

  class Nest {
   public:
    explicit Nest(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxNesting + kStatementLevels || pastStackFloor(p_.stackFloor_)) {
        --p_.depth_;
        raise(err::OutOfStackSpace);
      }
    }
    ~Nest() { --p_.depth_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    Parser& p_;
  };

  // ---- names
  Name makeName(const Token& t, bool called) {
    Name n;
    n.text = t.text;
    n.key = foldCase(t.text);
    n.called = called;
    return n;
  }
  void track(Name& n) { scope_->names.push_back(&n); }

  bool declaredAsData(const std::string& key) const {
    return module_.globals.count(key) || module_.constants.count(key) || out_.unitGlobals.count(key) ||
           out_.unit.constants.count(key);
  }
  bool declaredInModule(const std::string& key) const {
    return declaredAsData(key) || module_.procedures.count(key) || out_.unitProcs.count(key);
  }

  // Gives the new variable's register, or its global.
  int declareVariable(const std::string& key) {
    if (scope_->proc != nullptr) {
      if (scope_->locals.count(key) || scope_->constants.count(key)) raise(err::NameRedefined);
      const int slot = static_cast<int>(scope_->locals.size());
      scope_->locals.emplace(key, slot);
      return slot;
    }
    if (declaredInModule(key)) raise(err::NameRedefined);
    return addGlobal(key);
  }

  // The bounds of Dim a(2, 3): integer literals only; none for Dim a().
  std::vector<std::int32_t> parseDimensions() {
    std::vector<std::int32_t> upper;
    if (accept(Tok::RParen)) return upper;
    for (;;) {
      const VType t = cur().value.type();
      if (kind() != Tok::Number || (t != VType::Integer && t != VType::Long)) raise(err::ExpectedIntegerConstant);
      upper.push_back(cur().value.rawWhole());
      advance();
      if (accept(Tok::Comma)) continue;
      expect(Tok::RParen, err::ExpectedRParen);
      if (upper.size() > kMaxDimensions) raise(err::SubscriptOutOfRange);
      return upper;
    }
  }

  void declareArray(const std::string& key, int index, std::vector<std::int32_t> upper) {
    const bool sized = !upper.empty();
    ArrayDecl decl{scope_->proc != nullptr ? index : ~index, std::move(upper), sized};
    if (scope_->proc != nullptr) {
      scope_->proc->arrays.push_back(std::move(decl));
      if (sized) scope_->fixedArrays.insert(key);
      return;
    }
    out_.unit.arrays.push_back(std::move(decl));
    if (sized) out_.unit.fixedGlobals.push_back(index);
  }

  int addGlobal(const std::string& key) { return out_.addGlobal(key, module_); }

  // ---- blocks and statements
  Block parseBlock(std::initializer_list<Tok> stops) {
    Block block;
    for (;;) {
      skipSeparators();
      const Tok k = kind();
      if (k == Tok::End) return block;
      for (Tok s : stops)
        if (k == s) return block;
      if (StmtPtr s = parseStatement()) block.push_back(std::move(s));
      endOfStatement();
    }
  }

  StmtPtr parseStatement() {
    const std::uint32_t offset = cur().offset;
    StmtPtr s = parseStatementHere();
    if (s != nullptr && located_) {
      const TextPlace at = placeAt(source_, offset);
      s->line = at.line;
      s->column = at.column;
    }
    return s;
  }

  StmtPtr parseStatementHere() {
    Nest nest(*this);
    if (kind() != Tok::Option) sawStatement_ = true;
    switch (kind()) {
      case Tok::Dim:
        advance();
        parseVariableList();
        return nullptr;
      case Tok::Private:
      case Tok::Public:
        return parseModifiedDeclaration();
      case Tok::Const:
        advance();
        parseConstants();
        return nullptr;
      case Tok::Option:
        parseOption();
        return nullptr;
      case Tok::Function:
      case Tok::Sub:
        if (!scope_->root) raise(err::SyntaxError);
        parseProcedure();
        return nullptr;
      case Tok::If: return parseIf();
      case Tok::For: return parseFor();
      case Tok::Do: return parseDo();
      case Tok::While: return parseWhile();
      case Tok::Select: return parseSelect();
      case Tok::Exit: return parseExit();
      case Tok::Call: return parseCall();
      case Tok::On: return parseOnError();
      case Tok::Set: return parseSet();
      case Tok::ReDim: return parseReDim();
      case Tok::Erase: return parseErase();
      case Tok::Ident:
        if (isErrMember()) return parseErrStatement();
        return parseNamedStatement();
      case Tok::Stop:
        advance();
        return nullptr;
      default:
        unexpected();
    }
  }

  void parseVariableList() {
    for (;;) {
      if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
      const std::string key = foldCase(cur().text);
      advance();
      const int index = declareVariable(key);
      if (accept(Tok::LParen)) declareArray(key, index, parseDimensions());
      if (!accept(Tok::Comma)) return;
    }
  }

  StmtPtr parseModifiedDeclaration() {
    if (scope_->proc != nullptr) raise(err::ExpectedStatement);
    advance();
    if (kind() == Tok::Function || kind() == Tok::Sub) {
      parseProcedure();
    } else if (accept(Tok::Const)) {
      parseConstants();
    } else {
      accept(Tok::Dim);
      parseVariableList();
    }
    return nullptr;
  }

  void parseConstants() {
    for (;;) {
      if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
      const Token& nameTok = cur();
      const std::string key = foldCase(nameTok.text);
      advance();
      expect(Tok::Eq, err::ExpectedEquals);
      Value v = parseLiteral();
      if (scope_->proc != nullptr) {
        if (scope_->locals.count(key) || scope_->constants.count(key)) raise(err::NameRedefined);
        scope_->constants.emplace(key, std::move(v));
      } else {
        if (declaredInModule(key)) raise(err::NameRedefined);
        out_.unit.constants.emplace(key, std::move(v));
      }
      if (!accept(Tok::Comma)) return;
    }
  }

  Value parseLiteral() {
    bool negative = false;
    if (accept(Tok::Minus)) negative = true;
    else accept(Tok::Plus);
    Value v;
    switch (kind()) {
      case Tok::Number: v = cur().value; break;
      case Tok::String:
        if (negative) raise(err::ExpectedLiteral);
        v = Value::string(cur().text);
        break;
      case Tok::True: v = Value::boolean(true); break;
      case Tok::False: v = Value::boolean(false); break;
      case Tok::Empty: break;
      case Tok::Null: v = Value::null(); break;
      default: raise(err::ExpectedLiteral);
    }
    advance();
    return negative ? negate(v) : v;
  }

  void parseOption() {
    advance();
    // Only before every other statement of the code added, as VBScript has
    // it; the user's text always follows the wrapper's own lines.
    if (!isIdentNamed("explicit") || scope_->proc != nullptr || sawStatement_) raise(err::ExpectedStatement);
    advance();
    explicit_ = true;
  }

  void parseProcedure() {
    const bool isFunction = kind() == Tok::Function;
    advance();
    if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
    auto proc = std::make_unique<Procedure>();
    proc->name = cur().text;
    proc->key = foldCase(proc->name);
    proc->isFunction = isFunction;
    // A procedure may be declared again, as VBScript allows: the last
    // declaration is the one in force.
    if (declaredAsData(proc->key)) raise(err::NameRedefined);
    if (auto earlier = out_.unitProcs.find(proc->key); earlier != out_.unitProcs.end()) forget(earlier->second);
    advance();

    Scope scope;
    scope.proc = proc.get();
    if (accept(Tok::LParen)) {
      if (!accept(Tok::RParen)) {
        for (;;) {
          bool byRef = true;
          if (accept(Tok::ByVal)) byRef = false;
          else accept(Tok::ByRef);
          if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
          const std::string key = foldCase(cur().text);
          if (scope.locals.count(key)) raise(err::NameRedefined);
          scope.locals.emplace(key, static_cast<int>(proc->params.size()));
          proc->params.push_back(Param{key, byRef});
          advance();
          if (accept(Tok::Comma)) continue;
          expect(Tok::RParen, err::ExpectedRParen);
          break;
        }
      }
    }
    if (isFunction) {
      if (scope.locals.count(proc->key)) raise(err::NameRedefined);
      proc->returnSlot = static_cast<int>(scope.locals.size());
      scope.locals.emplace(proc->key, proc->returnSlot);
    }
    if (!atStatementEnd()) raise(err::ExpectedEndOfStatement);
    out_.unitProcs[proc->key] = proc.get();

    Scope* outer = scope_;
    out_.procedures.push_back(std::move(scope));
    // The vector may move scopes, so the procedure's scope is reached by index.
    const std::size_t index = out_.procedures.size() - 1;
    scope_ = &out_.procedures[index];
    out_.unit.procedures.push_back(std::move(proc));
    // A procedure's body starts again at the outermost level: the user's
    // function is wrapped in one, and that level is not theirs.
    const int outerDepth = std::exchange(depth_, 0);
    scope_->body = parseBlock({Tok::EndKw});
    depth_ = outerDepth;
    if (kind() != Tok::EndKw) raise(err::ExpectedEnd);
    advance();
    expect(isFunction ? Tok::Function : Tok::Sub, isFunction ? err::ExpectedFunction : err::ExpectedSub);
    scope_ = outer;
  }

  // Drops a procedure of this unit that a later declaration replaces.
  void forget(const Procedure* p) {
    for (std::size_t i = 0; i < out_.unit.procedures.size(); ++i) {
      if (out_.unit.procedures[i].get() != p) continue;
      out_.unit.procedures.erase(out_.unit.procedures.begin() + static_cast<std::ptrdiff_t>(i));
      out_.procedures.erase(out_.procedures.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }

  StmtPtr parseIf() {
    advance();
    auto stmt = std::make_unique<IfStmt>();
    ExprPtr cond = parseExpr();
    expect(Tok::Then, err::ExpectedThen);
    if (kind() != Tok::Newline && kind() != Tok::End) {
      // Single-line form: everything up to the line's end.
      ++inlineIf_;
      Block then = parseInlineStatements();
      Block otherwise;
      if (accept(Tok::Else)) otherwise = parseInlineStatements();
      --inlineIf_;
      stmt->arms.emplace_back(std::move(cond), std::move(then));
      stmt->otherwise = std::move(otherwise);
      if (kind() == Tok::Else && inlineIf_ == 0) raise(err::ExpectedEndOfStatement);
      return stmt;
    }
    stmt->arms.emplace_back(std::move(cond), parseBlock({Tok::ElseIf, Tok::Else, Tok::EndKw}));
    for (;;) {
      if (accept(Tok::ElseIf)) {
        ExprPtr c = parseExpr();
        expect(Tok::Then, err::ExpectedThen);
        stmt->arms.emplace_back(std::move(c), parseBlock({Tok::ElseIf, Tok::Else, Tok::EndKw}));
      } else if (accept(Tok::Else)) {
        stmt->otherwise = parseBlock({Tok::EndKw});
        if (kind() != Tok::EndKw) break;
      } else {
        break;
      }
    }
    if (!accept(Tok::EndKw)) raise(err::ExpectedEnd);
    expect(Tok::If, err::ExpectedIf);
    return stmt;
  }

  Block parseInlineStatements() {
    Block block;
    for (;;) {
      if (kind() == Tok::Newline || kind() == Tok::End || kind() == Tok::Else) return block;
      if (StmtPtr s = parseStatement()) block.push_back(std::move(s));
      if (!accept(Tok::Colon)) {
        if (!atStatementEnd()) raise(err::ExpectedEndOfStatement);
        return block;
      }
    }
  }

  StmtPtr parseFor() {
    advance();
    if (accept(Tok::Each)) return parseForEach();
    auto stmt = std::make_unique<ForStmt>();
    stmt->counter = parseLoopVariable();
    track(stmt->counter);
    expect(Tok::Eq, err::ExpectedEquals);
    stmt->from = parseExpr();
    expect(Tok::To, err::ExpectedTo);
    stmt->to = parseExpr();
    if (isIdentNamed("step")) {
      advance();
      stmt->step = parseExpr();
    }
    stmt->body = parseForBody();
    return stmt;
  }

  Name parseLoopVariable() {
    if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
    Name n = makeName(cur(), false);
    advance();
    return n;
  }

  // The rest of a For or For Each line, the loop's block and its Next.
  Block parseForBody() {
    if (!atStatementEnd()) raise(err::ExpectedEndOfStatement);
    ++scope_->forDepth;
    Block body = parseBlock({Tok::Next, Tok::EndKw});
    --scope_->forDepth;
    if (!accept(Tok::Next)) raise(err::ExpectedNext);
    return body;
  }

  StmtPtr parseForEach() {
    auto stmt = std::make_unique<ForEachStmt>();
    stmt->element = parseLoopVariable();
    track(stmt->element);
    expect(Tok::In, err::ExpectedIn);
    stmt->collection = parseExpr();
    stmt->body = parseForBody();
    return stmt;
  }

  // ReDim [Preserve] name(bounds) [, name(bounds)]...
  StmtPtr parseReDim() {
    advance();
    auto stmt = std::make_unique<ReDimStmt>();
    stmt->preserve = accept(Tok::Preserve);
    for (;;) {
      if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
      auto item = std::make_unique<ReDimStmt::Item>();
      item->target = makeName(cur(), false);
      item->target.declares = true;
      advance();
      expect(Tok::LParen, err::ExpectedLParen);
      item->bounds = parseExpressionList();
      expect(Tok::RParen, err::ExpectedRParen);
      track(item->target);
      stmt->items.push_back(std::move(item));
      if (!accept(Tok::Comma)) return stmt;
    }
  }

  StmtPtr parseErase() {
    advance();
    if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
    auto stmt = std::make_unique<EraseStmt>();
    stmt->target = makeName(cur(), false);
    track(stmt->target);
    advance();
    return stmt;
  }

  bool parseLoopTest(DoStmt::Test& test, ExprPtr& cond) {
    if (accept(Tok::While)) test = DoStmt::Test::While;
    else if (accept(Tok::Until)) test = DoStmt::Test::Until;
    else return false;
    cond = parseExpr();
    return true;
  }

  StmtPtr parseDo() {
    advance();
    auto stmt = std::make_unique<DoStmt>();
    const bool pre = parseLoopTest(stmt->preTest, stmt->pre);
    if (!atStatementEnd()) raise(err::ExpectedWhileUntilEnd);
    ++scope_->doDepth;
    stmt->body = parseBlock({Tok::Loop, Tok::EndKw});
    --scope_->doDepth;
    if (!accept(Tok::Loop)) raise(err::ExpectedLoop);
    if (parseLoopTest(stmt->postTest, stmt->post) && pre) raise(err::ExpectedEndOfStatement);
    if (!atStatementEnd()) raise(err::ExpectedWhileUntilEnd);
    return stmt;
  }

  StmtPtr parseWhile() {
    advance();
    auto stmt = std::make_unique<DoStmt>();
    stmt->preTest = DoStmt::Test::While;
    stmt->pre = parseExpr();
    if (!atStatementEnd()) raise(err::ExpectedEndOfStatement);
    stmt->body = parseBlock({Tok::Wend, Tok::EndKw});
    if (!accept(Tok::Wend)) raise(err::ExpectedWend);
    return stmt;
  }

  StmtPtr parseSelect() {
    advance();
    expect(Tok::Case, err::ExpectedCase);
    auto stmt = std::make_unique<SelectStmt>();
    stmt->subject = parseExpr();
    endOfStatement();
    skipSeparators();
    bool sawElse = false;
    for (;;) {
      if (accept(Tok::Case)) {
        if (sawElse) raise(err::ExpectedEnd);
        if (accept(Tok::Else)) {
          sawElse = true;
          stmt->otherwise = parseBlock({Tok::Case, Tok::EndKw});
          continue;
        }
        SelectStmt::Case c;
        c.values = parseExpressionList();
        if (!atStatementEnd()) raise(err::ExpectedEndOfStatement);
        c.body = parseBlock({Tok::Case, Tok::EndKw});
        stmt->cases.push_back(std::move(c));
      } else if (accept(Tok::EndKw)) {
        expect(Tok::Select, err::ExpectedSelect);
        return stmt;
      } else if (kind() == Tok::End) {
        raise(err::ExpectedEnd);
      } else {
        raise(err::ExpectedCase);
      }
    }
  }

  StmtPtr parseExit() {
    advance();
    ExitStmt::Kind exit = ExitStmt::Kind::Procedure;
    bool valid = false;
    switch (kind()) {
      case Tok::Function:
        valid = scope_->proc != nullptr && scope_->proc->isFunction;
        break;
      case Tok::Sub:
        valid = scope_->proc != nullptr && !scope_->proc->isFunction;
        break;
      case Tok::For:
        valid = scope_->forDepth > 0;
        exit = ExitStmt::Kind::For;
        break;
      case Tok::Do:
        valid = scope_->doDepth > 0;
        exit = ExitStmt::Kind::Do;
        break;
      default:
        break;
    }
    if (!valid) raise(err::InvalidExit);
    advance();
    return std::make_unique<ExitStmt>(exit);
  }

  StmtPtr parseCall() {
    advance();
    if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
    auto call = std::make_unique<CallExpr>();
    call->name = makeName(cur(), true);
    advance();
    if (accept(Tok::LParen)) call->args = parseArguments();
    track(call->name);
    return std::make_unique<ExprStmt>(std::move(call));
  }

  // Assignment, or a call of a Sub or Function as a statement.
  // Set name[(subscripts)] = object
  StmtPtr parseSet() {
    advance();
    if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
    const Token& nameTok = cur();
    advance();
    if (accept(Tok::LParen)) {
      auto stmt = std::make_unique<IndexAssignStmt>();
      stmt->subscripts = parseArguments();
      expect(Tok::Eq, err::ExpectedEquals);
      stmt->target = makeName(nameTok, true);
      track(stmt->target);
      stmt->value = parseExpr();
      stmt->setsObject = true;
      return stmt;
    }
    expect(Tok::Eq, err::ExpectedEquals);
    auto stmt = std::make_unique<AssignStmt>();
    stmt->target = makeName(nameTok, false);
    track(stmt->target);
    stmt->value = parseExpr();
    stmt->setsObject = true;
    return stmt;
  }

  // On Error Resume Next | On Error GoTo 0
  StmtPtr parseOnError() {
    advance();
    if (!isIdentNamed("error")) raise(err::SyntaxError);
    advance();
    if (accept(Tok::Resume)) {
      expect(Tok::Next, err::SyntaxError);
      return std::make_unique<OnErrorStmt>(true);
    }
    expect(Tok::GoTo, err::SyntaxError);
    if (kind() != Tok::Number || cur().value.toDouble() != 0) raise(err::SyntaxError);
    advance();
    return std::make_unique<OnErrorStmt>(false);
  }

  // Err followed by a member: Err.Number, Err.Clear, ...
  bool isErrMember() const { return foldCase(cur().text) == "err" && kind(1) == Tok::Dot; }

  // The member of Err after its dot, folded.
  std::string errMember() {
    advance();  // Err
    advance();  // .
    if (kind() != Tok::Ident) raise(err::ExpectedIdentifier);
    std::string member = foldCase(cur().text);
    advance();
    return member;
  }

  // Err.Clear | Err.Raise number[, source[, description]]
  StmtPtr parseErrStatement() {
    const std::string member = errMember();
    if (member == "clear") {
      if (accept(Tok::LParen)) expect(Tok::RParen, err::ExpectedRParen);
      return std::make_unique<ErrClearStmt>();
    }
    if (member != "raise") {
      // Err.Number = ..., and the other properties: each is read and written.
      auto set = std::make_unique<ErrSetStmt>();
      set->property = errPropertyNamed(member);
      expect(Tok::Eq, err::ExpectedEquals);
      set->value = parseExpr();
      return set;
    }
    auto stmt = std::make_unique<ErrRaiseStmt>();
    const bool parenthesised = accept(Tok::LParen);
    // Every argument after the number may be left out, in the middle too.
    stmt->args.push_back(parseExpr());
    while (accept(Tok::Comma)) {
      const Tok k = kind();
      const bool omitted = k == Tok::Comma || k == Tok::Newline || k == Tok::Colon || k == Tok::End ||
                           (parenthesised && k == Tok::RParen);
      stmt->args.push_back(omitted ? nullptr : parseExpr());
    }
    if (parenthesised) expect(Tok::RParen, err::ExpectedRParen);
    if (stmt->args.size() > 5) raise(err::WrongArguments, "Raise");
    return stmt;
  }

  static ErrPropertyExpr::Property errPropertyNamed(const std::string& member) {
    using P = ErrPropertyExpr::Property;
    if (member == "number") return P::Number;
    if (member == "description") return P::Description;
    if (member == "source") return P::Source;
    if (member == "helpfile") return P::HelpFile;
    if (member == "helpcontext") return P::HelpContext;
    raise(err::ObjectDoesNotSupport, member);
  }

  // Err alone is its Number.
  ExprPtr parseErrProperty() {
    std::string member = "number";
    if (kind(1) == Tok::Dot) member = errMember();
    else advance();
    return std::make_unique<ErrPropertyExpr>(errPropertyNamed(member));
  }

  StmtPtr parseNamedStatement() {
    const Token& nameTok = cur();
    advance();
    if (accept(Tok::Eq)) {
      auto stmt = std::make_unique<AssignStmt>();
      stmt->target = makeName(nameTok, false);
      track(stmt->target);
      stmt->value = parseExpr();
      return stmt;
    }
    auto call = std::make_unique<CallExpr>();
    call->name = makeName(nameTok, true);
    track(call->name);
    if (kind() == Tok::LParen) {
      const std::size_t mark = pos_;
      const std::size_t namesMark = scope_->names.size();
      advance();
      ExprList args = parseArguments();
      if (accept(Tok::Eq)) {
        // name(subscripts) = value: an element of an array.
        auto stmt = std::make_unique<IndexAssignStmt>();
        stmt->target = std::move(call->name);
        scope_->names[namesMark - 1] = &stmt->target;
        stmt->subscripts = std::move(args);
        stmt->value = parseExpr();
        return stmt;
      }
      if (atStatementEnd()) {
        if (args.size() > 1) raise(err::ParenthesesCallingSub);
        // f(x) as a statement passes x by value.
        for (auto& a : args) a = std::make_unique<ParenExpr>(std::move(a));
        call->args = std::move(args);
        return std::make_unique<ExprStmt>(std::move(call));
      }
      // The parenthesis opened the first argument: parse again from it.
      pos_ = mark;
      scope_->names.resize(namesMark);
    }
    if (!atStatementEnd()) call->args = parseExpressionList();
    return std::make_unique<ExprStmt>(std::move(call));
  }

  // ---- expressions
  ExprList parseExpressionList() {
    ExprList list;
    list.push_back(parseExpr());
    while (accept(Tok::Comma)) list.push_back(parseExpr());
    return list;
  }

  // After '(' of a call: arguments up to the matching ')', any of which may
  // be left out between commas. A built-in takes its default for one it
  // has a default for; a trailing one is as if not given.
  ExprList parseCallArguments(const std::string& key) {
    ExprList args;
    if (accept(Tok::RParen)) return args;
    for (;;) {
      const Tok k = kind();
      if (k == Tok::Comma || k == Tok::RParen) args.push_back(std::make_unique<MissingExpr>());
      else args.push_back(parseExpr());
      if (!accept(Tok::Comma)) break;
      if (kind() == Tok::RParen) args.push_back(std::make_unique<MissingExpr>());
    }
    expect(Tok::RParen, err::ExpectedRParen);
    const auto missing = [](const ExprPtr& e) { return e->kind == ExprKind::Missing; };
    if (findBuiltin(key) == nullptr || std::none_of(args.begin(), args.end(), missing)) return args;
    while (!args.empty() && missing(args.back())) args.pop_back();
    for (std::size_t i = 0; i < args.size(); ++i)
      if (missing(args[i]))
        if (const std::optional<Value> d = builtinDefault(key, i)) args[i] = std::make_unique<LiteralExpr>(*d);
    return args;
  }

  // After '(': arguments up to the matching ')'.
  ExprList parseArguments() {
    ExprList args;
    if (accept(Tok::RParen)) return args;
    args = parseExpressionList();
    expect(Tok::RParen, err::ExpectedRParen);
    return args;
  }

  ExprPtr parseExpr(int minLevel = Imp) {
    Nest nest(*this);
    ExprPtr left = parseOperand(minLevel);
    for (;;) {
      const Tok t = kind();
      const int level = binaryLevel(t);
      if (level < minLevel || level < 0) return left;
      // A run of operators of one level, evaluated left to right.
      std::vector<std::pair<Tok, ExprPtr>> run;
      while (binaryLevel(kind()) == level) {
        const Tok opTok = kind();
        advance();
        run.emplace_back(opTok, level == Pow ? parsePowOperand() : parseExpr(level + 1));
      }
      if (run.size() <= kMaxTreeRun) {
        for (auto& [opTok, rhs] : run)
          left = std::make_unique<BinaryExpr>(binaryOp(opTok), std::move(left), std::move(rhs));
      } else {
        auto chain = std::make_unique<ChainExpr>();
        chain->first = std::move(left);
        for (auto& [opTok, rhs] : run) chain->rest.emplace_back(binaryOp(opTok), std::move(rhs));
        left = std::move(chain);
      }
    }
  }

  ExprPtr parseOperand(int minLevel) {
    if (kind() == Tok::Not && minLevel <= NotLevel) {
      advance();
      return std::make_unique<NotExpr>(parseExpr(NotLevel));
    }
    if ((kind() == Tok::Minus || kind() == Tok::Plus) && minLevel <= NegLevel) {
      const bool minus = kind() == Tok::Minus;
      advance();
      ExprPtr e = parseExpr(NegLevel);
      return minus ? std::make_unique<NegExpr>(std::move(e)) : std::move(e);
    }
    return parsePrimary();
  }

  // The exponent of ^ may carry its own signs: 2 ^ -1.
  ExprPtr parsePowOperand() {
    Nest nest(*this);
    if (accept(Tok::Minus)) return std::make_unique<NegExpr>(parsePowOperand());
    if (accept(Tok::Plus)) return parsePowOperand();
    return parsePrimary();
  }

  ExprPtr parsePrimary() {
    switch (kind()) {
      case Tok::Number: {
        auto e = std::make_unique<LiteralExpr>(cur().value);
        advance();
        return e;
      }
      case Tok::String: {
        auto e = std::make_unique<LiteralExpr>(Value::string(cur().text));
        advance();
        return e;
      }
      case Tok::True:
      case Tok::False: {
        auto e = std::make_unique<LiteralExpr>(Value::boolean(kind() == Tok::True));
        advance();
        return e;
      }
      case Tok::Empty:
        advance();
        return std::make_unique<LiteralExpr>(Value());
      case Tok::Null:
        advance();
        return std::make_unique<LiteralExpr>(Value::null());
      case Tok::Nothing:
        advance();
        return std::make_unique<LiteralExpr>(Value::nothing());
      case Tok::LParen: {
        advance();
        ExprPtr e = parseExpr();
        expect(Tok::RParen, err::ExpectedRParen);
        if (e->kind == ExprKind::Var) return std::make_unique<ParenExpr>(std::move(e));
        return e;
      }
      case Tok::Ident: {
        if (foldCase(cur().text) == "err") return parseErrProperty();
        const Token& t = cur();
        advance();
        if (accept(Tok::LParen)) {
          // Err is an object, whose default property is its Number everywhere else.
          if (foldCase(t.text) == "isobject" && foldCase(cur().text) == "err" && kind(1) == Tok::RParen) {
            advance();
            advance();
            return std::make_unique<LiteralExpr>(Value::boolean(true));
          }
          auto call = std::make_unique<CallExpr>();
          call->name = makeName(t, true);
          call->args = parseCallArguments(foldCase(t.text));
          track(call->name);
          ExprPtr e = std::move(call);
          while (accept(Tok::LParen)) {
            Nest nest(*this);
            auto element = std::make_unique<IndexExpr>();
            element->name = t.text;
            element->base = std::move(e);
            element->subscripts = parseArguments();
            e = std::move(element);
          }
          return e;
        }
        auto var = std::make_unique<VarExpr>();
        var->name = makeName(t, false);
        track(var->name);
        return var;
      }
      default:
        raise(err::ExpectedExpression);
    }
  }

  const std::string_view source_;
  std::vector<Token> toks_;
  std::size_t pos_ = 0;
  const Module& module_;
  ParsedUnit out_;
  Scope* scope_ = nullptr;
  const bool located_;
  int depth_ = 0;
  int inlineIf_ = 0;
  bool explicit_ = false;
  bool sawStatement_ = false;
  // Where the native stack must stop: a build with large frames (a
  // sanitizer's) or a small thread stack ends in error 28, not a crash.
  const char* stackFloor_ = threadStackFloor();
};

}  // namespace

ParsedUnit parse(std::string_view source, const Module& module, bool located) {
  Parser parser(source, module, located);
  try {
    return parser.run();
  } catch (ScriptError& e) {
    parser.place(e);
    throw;
  }
}

ParsedUnit parseInScope(std::string_view source, const Module& module, const LocalScope* scope, bool expression) {
  return Parser(source, module).runInScope(scope, expression);
}

int ParsedUnit::addGlobal(const std::string& key, const Module& module) {
  const int index = module.globalCount + static_cast<int>(unit.globals.size());
  unit.globals.emplace_back(key, index);
  unitGlobals.emplace(key, index);
  return index;
}

bool ParsedUnit::fixedGlobal(int index, const Module& module) const {
  return module.fixedGlobals.count(index) ||
         std::find(unit.fixedGlobals.begin(), unit.fixedGlobals.end(), index) != unit.fixedGlobals.end();
}

}  // namespace zorvan::vbs

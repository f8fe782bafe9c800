#pragma once
// What a running script needs beside its tree: the frames of the procedures
// being run, the module's globals, the call-depth guard and the abort flag.

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/abort.h"
#include "common/error.h"
#include "common/value.h"
#include "common/stack_room.h"

namespace zorvan::vbs {

struct LocalScope;
struct Procedure;

// A variable of a frame. ByRef parameters point at the caller's variable.
struct Slot {
  Value* ref = nullptr;
  Value own;
};

// Frames live in chunks that never move, so a ByRef pointer stays valid and
// a call costs no allocation once the chunks exist. Every slot of a chunk
// refers to its own value except while a call binds it to another variable;
// popping a frame empties its values and takes back its bindings.
class SlotStack {
 public:
  struct Mark {
    std::size_t chunk, top;
  };

  Slot* push(std::size_t n, Mark& mark) {
    mark = {chunk_, top_};
    if (top_ + n > size_) [[unlikely]]
      nextChunk(n);
    Slot* s = base_ + top_;
    top_ += n;
    return s;
  }

  // A call binds its arguments, and a variable made by its use to a global
  // declared since; every binding is taken back.
  void pop(const Mark& mark, Slot* s, std::size_t n) noexcept {
    for (std::size_t i = 0; i < n; ++i) {
      s[i].ref = &s[i].own;
      s[i].own.reset();
    }
    if (mark.chunk != chunk_) [[unlikely]] {
      chunk_ = mark.chunk;
      base_ = chunks_[chunk_].get();
      size_ = sizes_[chunk_];
    }
    top_ = mark.top;
  }

 private:
  static constexpr std::size_t kChunk = 4096;
  void nextChunk(std::size_t n) {
    if (base_ != nullptr) ++chunk_;
    if (chunk_ < chunks_.size() && sizes_[chunk_] < n) {
      chunks_.resize(chunk_);
      sizes_.resize(chunk_);
    }
    if (chunk_ == chunks_.size()) {
      const std::size_t size = n > kChunk ? n : kChunk;
      auto chunk = std::make_unique<Slot[]>(size);
      for (std::size_t i = 0; i < size; ++i) chunk[i].ref = &chunk[i].own;
      chunks_.push_back(std::move(chunk));
      sizes_.push_back(size);
    }
    base_ = chunks_[chunk_].get();
    size_ = sizes_[chunk_];
    top_ = 0;
  }

  std::vector<std::unique_ptr<Slot[]>> chunks_;
  std::vector<std::size_t> sizes_;
  std::size_t chunk_ = 0, top_ = 0, size_ = 0;
  Slot* base_ = nullptr;
};

// Variables that text run by Execute inside a call made, in the order made.
struct CallVariables {
  std::vector<std::string> keys;
  std::deque<Value> values;  // never moving: the text's registers refer to them
};

// What the script's Err object holds: the last error that On Error Resume
// Next let pass, or nothing (number 0).
struct ErrState {
  std::int32_t number = 0;
  std::string description, source, helpFile;
  std::int32_t helpContext = 0;
  void clear() { *this = ErrState{}; }
};

// The error the script's own Err.Raise threw last, with the source it named.
struct RaisedError {
  std::int32_t number = 0;
  std::string description, source, helpFile;
  std::int32_t helpContext = 0;
};

class Runtime {
 public:
  // A deque: ExecuteGlobal adds globals while ByRef arguments point at others.
  std::deque<Value> globals;
  SlotStack stack;
  ErrState err;
  RaisedError raised;
  // The failure a call of the interpreter hands back to its caller.
  ScriptError failure;
  // Compiles and runs the text that Eval, Execute or ExecuteGlobal (kind)
  // get while the call whose names are scope, with registers regs, runs.
  // The text's value goes to result; false when its run failed, with the
  // error in failure.
  std::function<bool(int kind, std::string_view text, const LocalScope* scope, Slot* regs, Value& result)> scriptText;
  // The procedure of that folded name the module holds now, or null: for
  // calls of procedures that text run since declared.
  std::function<const Procedure*(std::string_view key)> findProcedure;
  // The index of the global of that key, or -1.
  std::function<int(std::string_view key)> findGlobal;
  // The variables Execute made inside calls still running, by the call's
  // registers: they live for the rest of the call.
  std::unordered_map<const Slot*, CallVariables> callVariables;

  // Called at every loop turn and procedure call: a run cut off by the
  // watchdog stops here.
  void tick() const {
    if (abort_ != nullptr && aborted(*abort_)) raise(err::TimedOut);
  }

  void setAbortFlag(const AbortWord* flag) { abort_ = flag; }
  const AbortWord* abortFlag() const { return abort_; }

  // Marks the start of a host call: its depth, and where this thread's
  // native stack must stop.
  void beginHostCall() {
    stackFloor_ = threadStackFloor();
    depth_ = 0;
  }

  void enterCall() {
    ++depth_;
    if (depth_ > kMaxDepth || pastStackFloor(stackFloor_)) {
      --depth_;
      raise(err::OutOfStackSpace);
    }
    tick();
  }
  void leaveCall() noexcept { --depth_; }

 private:
  // Deep recursion is cut off before the native stack runs out.
  static constexpr int kMaxDepth = 3000;
  const AbortWord* abort_ = nullptr;
  const char* stackFloor_ = nullptr;
  int depth_ = 0;
};

// How instructions reach their operands. RK: register o, or constant ~o.
inline const Value& operandOf(std::int32_t o, const Slot* R, const Value* K) { return o >= 0 ? *R[o].ref : K[~o]; }
// A variable changed in place: register o, or global ~o.
inline Value& placeOf(std::int32_t o, Slot* R, Runtime& rt) {
  return o >= 0 ? *R[o].ref : rt.globals[static_cast<std::size_t>(~o)];
}

// Set takes objects only; a plain assignment takes anything else.
inline void checkAssigned(const Value& v, bool setsObject) {
  if (v.isObject() != setsObject) raise(setsObject ? err::ObjectRequired : err::ObjectNotSet);
}

// One call's registers: its variables, then the temporaries of its code.
struct Frame {
  Slot* regs;
  Runtime* rt;
  bool resumeNext = false;  // On Error Resume Next is in force in this call
  // The count of globals its variables made by use were last looked up in;
  // the largest size_t where it has none.
  std::size_t globalsSeen = 0;
};


}  // namespace zorvan::vbs

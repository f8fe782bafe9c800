#pragma once
// Search services for tests: a C++ function or the engine as f, a frozen
// clock, and a record of everything the search shows.

#include <functional>
#include <string>
#include <vector>

#include "common/random.h"
#include "solver/services.h"

namespace zorvan::testing {

class FakeServices : public Evaluator, public SolveHost, public Clock {
 public:
  using Function = std::function<Value(const Value&)>;
  explicit FakeServices(Function f) : f_(std::move(f)) {}

  // What the search runs on: this f, this host and clock, this generator.
  operator SearchServices() { return {*this, *this, random}; }

  Value evaluate(const Value& x) override {
    ++evaluations;
    points.push_back(x.toDouble());
    return f_(x);
  }
  void appendResult(const ReportedRoot& root) override {
    results += root.line;
    events.push_back(root.line.substr(0, root.line.size() - 2));
    evaluationsAtEvent.push_back(evaluations);
  }
  void showMessage(std::string_view text) override {
    messages.emplace_back(text);
    events.push_back("message: " + std::string(text));
    evaluationsAtEvent.push_back(evaluations);
  }
  Clock& clock() override { return *this; }
  void searchAt(const SearchPosition& p) override {
    if (p.cell > 0) {
      ++cellsTold;
      return;
    }
    positions.push_back(p.interval ? std::to_string(p.attempt) + "." + std::to_string(p.pass) + " " + std::to_string(p.done()) + "/" + std::to_string(p.most())
                                   : "sweep " + std::to_string(p.sweep) + " " + std::to_string(p.done()) + "/" + std::to_string(p.most()));
  }
  float secondsSinceMidnight() override { return static_cast<float>(hour * 3600 + minuteValue * 60 + secondValue); }
  int minute() override { return minuteValue; }
  int second() override { return secondValue; }

  int evaluations = 0;
  std::vector<double> points;
  std::string results;
  std::vector<std::string> messages;
  std::vector<std::string> events;
  std::vector<int> evaluationsAtEvent;
  std::vector<std::string> positions;  // the passes and sweeps as searchAt told them
  int cellsTold = 0;                   // the scan's cells it told of
  int hour = 12, minuteValue = 34, secondValue = 56;
  RandomGenerator random;

 private:
  Function f_;
};

// f from a plain function of a double.
FakeServices::Function numeric(double (*f)(double));

}  // namespace zorvan::testing

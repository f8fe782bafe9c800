#pragma once
// The clock the search reads: the real local time, or a time frozen for a
// repeatable run.

#include <optional>
#include <string_view>

namespace zorvan {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual float secondsSinceMidnight() = 0;
  virtual int minute() = 0;
  virtual int second() = 0;
};

class SystemClock final : public Clock {
 public:
  float secondsSinceMidnight() override;
  int minute() override;
  int second() override;
};

class FixedClock final : public Clock {
 public:
  FixedClock(int hour, int minute, int second) : h_(hour), m_(minute), s_(second) {}
  // "HH:MM:SS"; empty unless the text is a valid time of day.
  static std::optional<FixedClock> parse(std::string_view text);
  float secondsSinceMidnight() override { return static_cast<float>(h_ * 3600 + m_ * 60 + s_); }
  int minute() override { return m_; }
  int second() override { return s_; }

 private:
  int h_, m_, s_;
};

}  // namespace zorvan

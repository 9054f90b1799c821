// The local clock as the program sees it. The real clock reads the system
// time; tests install a clock of their own to fix the current moment.
#pragma once

#include <ctime>

class WfClock {
 public:
  virtual ~WfClock() = default;
  // Current calendar time (seconds since the epoch).
  virtual std::time_t Now() = 0;
};

// The clock in use: the system clock unless a test installed another one.
WfClock* Clock_Get();
// Installs a clock (nullptr restores the system clock). The caller keeps
// ownership and must keep it alive while it is installed.
void Clock_Install(WfClock* clock);

// Now() of the clock in use, converted to local broken-down time.
void Clock_LocalNow(std::tm* out);

#include "util/Clock.h"

namespace {

class SystemClock : public WfClock {
 public:
  std::time_t Now() override { return std::time(nullptr); }
};

SystemClock g_system_clock;
WfClock* g_clock = &g_system_clock;

}  // namespace

WfClock* Clock_Get() { return g_clock; }

void Clock_Install(WfClock* clock) { g_clock = clock != nullptr ? clock : &g_system_clock; }

void Clock_LocalNow(std::tm* out) {
  std::time_t now = g_clock->Now();
#ifdef _WIN32
  localtime_s(out, &now);
#else
  localtime_r(&now, out);
#endif
}

#include "engine/HighTimerX.h"

#include <chrono>
#include <limits>

#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"

std::atomic<double> HighTimerX::mFrequency{0.0};
std::atomic<float> HighTimerX::mFrequencyf{0.0f};

namespace {
using ClockX = std::chrono::steady_clock;
constexpr double kSecondsPerTick =
    static_cast<double>(ClockX::period::num) / static_cast<double>(ClockX::period::den);
constexpr double DOUBLEX_MAX = std::numeric_limits<double>::max();
}  // namespace

void HighTimerX::InitFrequency() {
  if (mFrequency.load(std::memory_order_acquire) != 0.0) return;
  // The clock's period is fixed, so racing first constructions all store the same values.
  const bool haveCounter = kSecondsPerTick > 0.0;
  mFrequencyf.store(
      haveCounter ? static_cast<float>(kSecondsPerTick) : std::numeric_limits<float>::max(),
      std::memory_order_relaxed);
  mFrequency.store(haveCounter ? kSecondsPerTick : DOUBLEX_MAX, std::memory_order_release);
}

int64_t HighTimerX::ReadCounter() {
  const int64_t ticks = ClockX::now().time_since_epoch().count();
  // 0 means "not started"; a clock that reads 0 exactly is moved by one tick.
  return ticks != 0 ? ticks : 1;
}

HighTimerX::HighTimerX() { InitFrequency(); }

void HighTimerX::Reset() {
  mStartTime.store(ReadCounter(), std::memory_order_relaxed);
  mEndTime.store(0, std::memory_order_relaxed);
}

void HighTimerX::Stop() { mEndTime.store(ReadCounter(), std::memory_order_relaxed); }

double HighTimerX::GetElapsedTime() const {
  const int64_t start = mStartTime.load(std::memory_order_relaxed);
  if (start == 0) return 0.0;
  const int64_t end = mEndTime.load(std::memory_order_relaxed);
  const int64_t now = end != 0 ? end : ReadCounter();
  return static_cast<double>(now - start) * mFrequency.load(std::memory_order_relaxed);
}

float HighTimerX::GetElapsedTimef() const {
  const int64_t start = mStartTime.load(std::memory_order_relaxed);
  if (start == 0) return 0.0f;
  const int64_t end = mEndTime.load(std::memory_order_relaxed);
  const int64_t now = end != 0 ? end : ReadCounter();
  return static_cast<float>(now - start) * mFrequencyf.load(std::memory_order_relaxed);
}

float HighTimerX::GetElapsedTimef(bool restart) {
  const int64_t start = mStartTime.load(std::memory_order_relaxed);
  if (start == 0) return 0.0f;
  const int64_t end = mEndTime.load(std::memory_order_relaxed);
  if (end != 0)
    return static_cast<float>(end - start) * mFrequencyf.load(std::memory_order_relaxed);
  const int64_t now = ReadCounter();
  if (restart) mStartTime.store(now, std::memory_order_relaxed);
  return static_cast<float>(now - start) * mFrequencyf.load(std::memory_order_relaxed);
}

double HighTimerX::GetStoppedTime() const {
  const int64_t start = mStartTime.load(std::memory_order_relaxed);
  const int64_t end = mEndTime.load(std::memory_order_relaxed);
  KX_ASSERT_MSG(start && end, "HighTimerX::GetStoppedTime", "mStartTime && mEndTime");
  return static_cast<double>(end - start) * mFrequency.load(std::memory_order_relaxed);
}

float HighTimerX::GetStoppedTimef() const {
  const int64_t start = mStartTime.load(std::memory_order_relaxed);
  const int64_t end = mEndTime.load(std::memory_order_relaxed);
  KX_ASSERT_MSG(start && end, "HighTimerX::GetStoppedTimef", "mStartTime && mEndTime");
  return static_cast<float>(end - start) * mFrequencyf.load(std::memory_order_relaxed);
}

double HighTimerX::Resolution() {
  InitFrequency();
  const double frequency = mFrequency.load(std::memory_order_relaxed);
  KX_ASSERT_MSG(frequency != DOUBLEX_MAX, "HighTimerX::Resolution", "mFrequency != DOUBLEX_MAX");
  return frequency;
}

void HighTimerX::ValidateTimers() {
  InitFrequency();
  const double mFrequency = HighTimerX::mFrequency.load(std::memory_order_relaxed);
  KX_ASSERT(mFrequency != DOUBLEX_MAX, "HighTimerX::ValidateTimers");
  KX_ASSERT(mFrequency != 0.0, "HighTimerX::ValidateTimers");
  if (mFrequency == 0.001)
    LogMessage("Hardware does not support high-resolution counter, resolution is 1ms");
  LogMessage(StringX("Resolution of HighTimer is: ") +
             mFrequencyf.load(std::memory_order_relaxed) * 1000.0f + "ms");
}

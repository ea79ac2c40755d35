#pragma once
// HighTimerX: a stopwatch over the monotonic high-resolution clock. Frame times, the log's time
// stamps and the timing of slow operations are read from it. Times are differences of raw
// 64-bit counter values, converted once per read with the seconds per tick.
#include <atomic>
#include <cstdint>

class HighTimerX {
 public:
  HighTimerX();

  // Starts (or restarts) the timer and clears a stop.
  void Reset();
  // Freezes the elapsed time at the current value.
  void Stop();

  // Seconds since Reset: 0 when the timer was never reset, the stopped time after Stop.
  double GetElapsedTime() const;
  float GetElapsedTimef() const;
  // As above; with restart set on a running timer the start moves to the counter value just
  // read, so that consecutive calls return the time between them (the frame timer).
  float GetElapsedTimef(bool restart);

  // (end - start) in seconds; reports when the timer was not both started and stopped.
  double GetStoppedTime() const;
  float GetStoppedTimef() const;

  // Seconds per counter tick.
  static double Resolution();
  // Checks the counter once at engine start and logs its resolution.
  static void ValidateTimers();

  // The raw counter (ticks); never 0.
  static int64_t ReadCounter();

 private:
  // Sets the process-wide seconds per tick the first time a timer is built.
  static void InitFrequency();

  // 0 = not started / running. Atomic because the engine timer is read by every thread that logs.
  std::atomic<int64_t> mStartTime{0};
  std::atomic<int64_t> mEndTime{0};

  // Seconds per tick (despite the name), as double and float.
  static std::atomic<double> mFrequency;
  static std::atomic<float> mFrequencyf;
};

#pragma once
// ErrorHandlerX: the singleton behind the four report hooks. It writes time-stamped entries to
// "LogFile.txt" in the working directory, copies info messages to an on-screen listener, and
// reports fatal entries (Critical, Major) to the person at the screen when one can answer;
// it never blocks a run that nobody watches.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/CriticalSectionX.h"

class BinaryWriterX;
class ErrorHandlerX;
class StringX;

// Where the log's info lines are shown as well (the on-screen console). Any thread may hand it
// a line. A listener that goes away before the log calls DetachFromLog from its own destructor,
// so that no line reaches it once it is freed; a line being added right then is waited for.
class ILogListenerX {
 public:
  virtual void AddText(const char* text) = 0;

 protected:
  ILogListenerX() = default;
  ~ILogListenerX() = default;
  void DetachFromLog();

 private:
  friend class ErrorHandlerX;
  std::atomic<ErrorHandlerX*> mLog{nullptr};
};

class ErrorHandlerX {
 public:
  enum class Severity : int32_t {
    Critical = 0,
    Major = 1,
    Normal = 2,
    Minor = 3,
    Trivial = 4,
    CodeNotDone = 5,
  };

  static constexpr const char* sLogFileName = "LogFile.txt";
  // Longest time stamp text, terminator included.
  static constexpr uint32_t sTimeStampSize = 48;

  // Seconds for the log's time stamps (the engine timer's).
  using ClockX = float (*)(void* context);

  // Creates the handler: opens the log file and installs the hooks. Time stamps read `clock`
  // with `context`; without a clock they read 0.
  static void Create(ClockX clock = nullptr, void* context = nullptr);
  // Flushes and closes the log and clears the hooks.
  static void Destory();

  // Writes an exception entry (when writeToLog and the log is open); Critical and Major are
  // then reported as fatal.
  void WriteException(Severity severity, const char* file, const char* function, int32_t line,
                      const char* description, bool writeToLog);
  // The same with texts; an empty text passes as null.
  void WriteException(Severity severity, const StringX& file, const StringX& function, int32_t line,
                      const StringX& description, bool writeToLog);
  // An info entry; stays buffered until the buffer fills, an exception entry or Flush.
  void LogMessage(const char* text);
  void LogMessage(const StringX& text);
  // Writes the time stamp of `seconds` (only when the log is open).
  void WriteTimeStamp(float seconds);
  // Writes out the buffered log.
  void Flush();
  // Every info message is also given to the listener (the 2D overlay). Once SetListener
  // (nullptr) has returned, the old listener is no longer called.
  void SetListener(ILogListenerX* listener);
  // The same with nullptr, but only while `listener` is the one set.
  void RemoveListener(ILogListenerX* listener);
  bool IsEnabled() const { return mEnabled.load(std::memory_order_acquire); }

  // "[hh:mm:ss:mmm]\t- " for `seconds` into text (at least sTimeStampSize bytes).
  static void FormatTimeStamp(float seconds, char* text);
  // "Critical: ", ..., "Code Not Done: ", "Unkown: " for any other value.
  static const char* GetSeverityText(Severity severity);

  // Where fatal entries are shown. The default writes one line to stderr; the window installs
  // a message box while a person can answer it.
  using FatalReportX = void (*)(const char* description, const char* caption);
  static void SetFatalReport(FatalReportX report);

  // One handler per process: copies are not allowed.
  ErrorHandlerX(const ErrorHandlerX&) = delete;
  ErrorHandlerX& operator=(const ErrorHandlerX&) = delete;

 private:
  ErrorHandlerX(ClockX clock, void* context);
  ~ErrorHandlerX();

  // Seconds of the clock; 0 without one.
  float ReadClock() const { return mClock ? mClock(mClockContext) : 0.0f; }
  void WriteExceptionEntry(Severity severity, const char* file, const char* function, int32_t line,
                           const char* description);
  void WriteText(const char* text);
  // Writes the buffer out; a failed write disables the log. Lock held.
  void FlushLocked();
  void CheckWriter();

  // A process that ends through exit() writes out what the log still holds.
  static void FlushAtExit();

  static void HookLogMessage(const char* text);
  static void HookAssertFailed(const char* file, const char* function, int32_t line,
                               const char* text);
  static void HookCodeNotDone(const char* file, const char* function, int32_t line,
                              const char* text);
  static void HookLogNormal(const char* file, const char* function, int32_t line, const char* text);
  void WriteFlushedEntry(Severity severity, const char* file, const char* function, int32_t line,
                         const char* description);

  CriticalSectionX mLock;
  std::unique_ptr<BinaryWriterX> mLogWriter;
  std::atomic<bool> mEnabled{true};
  bool mWriting = false;  // an entry is being written (lock held): re-entry goes to stderr only
  std::recursive_mutex mListenerLock;
  ILogListenerX* mListener = nullptr;
  ClockX mClock = nullptr;
  void* mClockContext = nullptr;

  static std::atomic<ErrorHandlerX*> sErrorHandlerX;
  friend ErrorHandlerX* GetErrorHandler();
};

// The handler, or null while there is none.
inline ErrorHandlerX* GetErrorHandler() {
  return ErrorHandlerX::sErrorHandlerX.load(std::memory_order_acquire);
}

#include "engine/ErrorHandlerX.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "engine/ReportHooksX.h"
#include "engine/SystemX.h"
#include "foundation/StringX.h"
#include "streams/BinaryWriterX.h"

std::atomic<ErrorHandlerX*> ErrorHandlerX::sErrorHandlerX{nullptr};

namespace {
void ReportToStandardError(const char* description, const char* caption) {
  std::fprintf(stderr, "%s: %s\n", caption, description);
}

std::atomic<ErrorHandlerX::FatalReportX> sFatalReport{&ReportToStandardError};

// Set while the calling thread hands a message to the listener, so that a report raised by the
// listener itself does not loop back into it.
thread_local bool tInListener = false;

const char* OrEmpty(const char* text) { return text ? text : ""; }
}  // namespace

void ErrorHandlerX::Create(ClockX clock, void* context) {
  KX_ASSERT(!GetErrorHandler(), "ErrorHandlerX::Create");
  if (GetErrorHandler()) return;
  // The constructor registers the handler.
  new (std::nothrow) ErrorHandlerX(clock, context);
  static const bool sFlushAtExit = [] {
    std::atexit(&ErrorHandlerX::FlushAtExit);
    std::at_quick_exit(&ErrorHandlerX::FlushAtExit);
    return true;
  }();
  (void)sFlushAtExit;
}

void ErrorHandlerX::FlushAtExit() {
  ErrorHandlerX* handler = GetErrorHandler();
  // Never wait at exit: a thread that holds the lock may be gone already.
  if (!handler || !handler->mLock.TryEnter()) return;
  if (!handler->mWriting) handler->FlushLocked();
  handler->mLock.Leave();
}

void ErrorHandlerX::Destory() {
  ErrorHandlerX* handler = GetErrorHandler();
  KX_ASSERT(GetErrorHandler(), "ErrorHandlerX::Destory");
  if (!handler) return;
  handler->Flush();
  delete handler;
}

ErrorHandlerX::ErrorHandlerX(ClockX clock, void* context) : mClock(clock), mClockContext(context) {
  KX_ASSERT(!sErrorHandlerX, "ErrorHandlerX::ErrorHandlerX");
  sErrorHandlerX.store(this, std::memory_order_release);
  mLogWriter = std::make_unique<BinaryWriterX>(StringX(sLogFileName), true);
  if (!mLogWriter->IsOpen()) {
    mEnabled.store(false, std::memory_order_release);
    mLogWriter.reset();
  }
  ReportHooksX hooks;
  hooks.logMessage = &HookLogMessage;
  hooks.assertFailed = &HookAssertFailed;
  hooks.codeNotDone = &HookCodeNotDone;
  hooks.logNormal = &HookLogNormal;
  SetReportHooks(hooks);
}

ErrorHandlerX::~ErrorHandlerX() {
  SetListener(nullptr);
  SetReportHooks({});
  {
    ScopedLockX guard(mLock);
    mEnabled.store(false, std::memory_order_release);
    if (mLogWriter) {
      mLogWriter->WritePending();
      mLogWriter.reset();
    }
  }
  ErrorHandlerX* self = this;
  sErrorHandlerX.compare_exchange_strong(self, nullptr);
}

void ErrorHandlerX::FormatTimeStamp(float seconds, char* text) {
  float t = seconds;
  if (!(t >= 0.0f)) t = 0.0f;    // negative or not a number
  if (t > 3.6e12f) t = 3.6e12f;  // a billion hours: keeps every field inside 64 bits
  const float hours = std::floor(t / 3600.0f);
  float rest = t - hours * 3600.0f;
  const float minutes = std::floor(rest / 60.0f);
  rest = rest - minutes * 60.0f;
  const float wholeSeconds = std::floor(rest);
  const float milliseconds = std::floor((rest - wholeSeconds) * 1000.0f);
  std::snprintf(text, sTimeStampSize, "[%02llu:%02llu:%02llu:%03llu]\t- ",
                static_cast<unsigned long long>(hours), static_cast<unsigned long long>(minutes),
                static_cast<unsigned long long>(wholeSeconds),
                static_cast<unsigned long long>(milliseconds));
}

const char* ErrorHandlerX::GetSeverityText(Severity severity) {
  switch (severity) {
    case Severity::Critical:
      return "Critical: ";
    case Severity::Major:
      return "Major: ";
    case Severity::Normal:
      return "Normal: ";
    case Severity::Minor:
      return "Minor: ";
    case Severity::Trivial:
      return "Trivial: ";
    case Severity::CodeNotDone:
      return "Code Not Done: ";
  }
  return "Unkown: ";
}

void ErrorHandlerX::SetFatalReport(FatalReportX report) {
  sFatalReport.store(report ? report : &ReportToStandardError, std::memory_order_release);
}

void ErrorHandlerX::WriteText(const char* text) {
  if (mLogWriter) mLogWriter->WriteString(text);
}

void ErrorHandlerX::WriteTimeStamp(float seconds) {
  if (!IsEnabled()) return;
  char stamp[sTimeStampSize];
  FormatTimeStamp(seconds, stamp);
  ScopedLockX guard(mLock);
  WriteText(stamp);
}

void ErrorHandlerX::CheckWriter() {
  if (mLogWriter && mLogWriter->HasFailed() && IsEnabled()) {
    mEnabled.store(false, std::memory_order_release);
    std::fprintf(stderr, "%s: writing failed, the log is off from here on\n", sLogFileName);
  }
}

void ErrorHandlerX::FlushLocked() {
  if (!mLogWriter || !IsEnabled()) return;
  mWriting = true;
  mLogWriter->WritePending();
  mWriting = false;
  CheckWriter();
}

void ErrorHandlerX::Flush() {
  ScopedLockX guard(mLock);
  if (!mWriting) FlushLocked();
}

void ErrorHandlerX::WriteExceptionEntry(Severity severity, const char* file, const char* function,
                                        int32_t line, const char* description) {
  char stamp[sTimeStampSize];
  FormatTimeStamp(ReadClock(), stamp);
  char number[16];
  mWriting = true;
  WriteText(stamp);
  WriteText("EXCEPTION = ");
  WriteText(GetSeverityText(severity));
  WriteText("ThreadID = ");
  std::snprintf(number, sizeof(number), "%u", SystemX::GetCurrentThreadId());
  WriteText(number);
  WriteText(": File = ");
  WriteText(OrEmpty(file));
  WriteText(": Function = ");
  WriteText(OrEmpty(function));
  WriteText(": Line number = ");
  std::snprintf(number, sizeof(number), "%d", line);
  WriteText(number);
  WriteText(": Description = ");
  WriteText(OrEmpty(description));
  WriteText("\r\n");
  mWriting = false;
  CheckWriter();
}

void ErrorHandlerX::WriteFlushedEntry(Severity severity, const char* file, const char* function,
                                      int32_t line, const char* description) {
  if (!IsEnabled()) return;
  ScopedLockX guard(mLock);
  if (mWriting) {
    // A report raised while an entry is being written (the log file itself failed).
    std::fprintf(stderr, "%s%s: %s\n", GetSeverityText(severity), OrEmpty(function),
                 OrEmpty(description));
    return;
  }
  if (!IsEnabled()) return;
  WriteExceptionEntry(severity, file, function, line, description);
  FlushLocked();
}

void ErrorHandlerX::WriteException(Severity severity, const char* file, const char* function,
                                   int32_t line, const char* description, bool writeToLog) {
  if (writeToLog) WriteFlushedEntry(severity, file, function, line, description);
  if (severity == Severity::Critical || severity == Severity::Major) {
    Flush();
    sFatalReport.load(std::memory_order_acquire)(OrEmpty(description), "Fatal Exception");
  }
}

void ErrorHandlerX::WriteException(Severity severity, const StringX& file, const StringX& function,
                                   int32_t line, const StringX& description, bool writeToLog) {
  WriteException(severity, file.GetCharArray(), function.GetCharArray(), line,
                 description.GetCharArray(), writeToLog);
}

void ErrorHandlerX::LogMessage(const char* text) {
  if (!IsEnabled()) return;
  {
    ScopedLockX guard(mLock);
    if (mWriting) return;  // raised by the log file itself
    if (!IsEnabled()) return;
    char stamp[sTimeStampSize];
    FormatTimeStamp(ReadClock(), stamp);
    mWriting = true;
    WriteText(stamp);
    WriteText("Info = ");
    WriteText(OrEmpty(text));
    WriteText("\r\n");
    mWriting = false;
    CheckWriter();
  }
  // No debugger output on this platform. The listener is called outside the log's lock.
  if (tInListener) return;
  std::lock_guard<std::recursive_mutex> guard(mListenerLock);
  if (mListener) {
    tInListener = true;
    mListener->AddText(OrEmpty(text));
    tInListener = false;
  }
}

void ErrorHandlerX::LogMessage(const StringX& text) { LogMessage(text.GetCharArray()); }

void ErrorHandlerX::SetListener(ILogListenerX* listener) {
  std::lock_guard<std::recursive_mutex> guard(mListenerLock);
  if (mListener) mListener->mLog.store(nullptr, std::memory_order_release);
  mListener = listener;
  if (mListener) mListener->mLog.store(this, std::memory_order_release);
}

void ErrorHandlerX::RemoveListener(ILogListenerX* listener) {
  std::lock_guard<std::recursive_mutex> guard(mListenerLock);
  if (mListener == listener) SetListener(nullptr);
}

void ILogListenerX::DetachFromLog() {
  if (ErrorHandlerX* log = mLog.load(std::memory_order_acquire)) log->RemoveListener(this);
}

void ErrorHandlerX::HookLogMessage(const char* text) {
  if (ErrorHandlerX* handler = GetErrorHandler()) handler->LogMessage(text);
}

void ErrorHandlerX::HookAssertFailed(const char* file, const char* function, int32_t line,
                                     const char* text) {
  if (SystemX::IsDebuggerPresent()) return;
  if (ErrorHandlerX* handler = GetErrorHandler())
    handler->WriteException(Severity::Critical, file, function, line, text, true);
}

void ErrorHandlerX::HookCodeNotDone(const char* file, const char* function, int32_t line,
                                    const char* text) {
  if (SystemX::IsDebuggerPresent()) return;
  if (ErrorHandlerX* handler = GetErrorHandler())
    handler->WriteFlushedEntry(Severity::CodeNotDone, file, function, line, text);
}

void ErrorHandlerX::HookLogNormal(const char* file, const char* function, int32_t line,
                                  const char* text) {
  if (SystemX::IsDebuggerPresent()) return;
  if (ErrorHandlerX* handler = GetErrorHandler())
    handler->WriteFlushedEntry(Severity::Normal, file, function, line, text);
}

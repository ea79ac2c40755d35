#include "engine/ReportHooksX.h"

#include <atomic>

#include "foundation/StringX.h"

namespace {
std::atomic<LogMessageHookX> sLogMessage{nullptr};
std::atomic<ReportHookX> sAssertFailed{nullptr};
std::atomic<ReportHookX> sCodeNotDone{nullptr};
std::atomic<ReportHookX> sLogNormal{nullptr};

void CallReport(const std::atomic<ReportHookX>& hook, const char* file, const char* function,
                int32_t line, const char* text) {
  if (ReportHookX report = hook.load(std::memory_order_acquire))
    report(file ? file : "", function ? function : "", line, text ? text : "");
}
}  // namespace

void SetReportHooks(const ReportHooksX& hooks) {
  sLogMessage.store(hooks.logMessage, std::memory_order_release);
  sAssertFailed.store(hooks.assertFailed, std::memory_order_release);
  sCodeNotDone.store(hooks.codeNotDone, std::memory_order_release);
  sLogNormal.store(hooks.logNormal, std::memory_order_release);
}

void LogMessage(const char* text) {
  if (LogMessageHookX log = sLogMessage.load(std::memory_order_acquire)) log(text ? text : "");
}

void AssertFailed(const char* file, const char* function, int32_t line, const char* text) {
  CallReport(sAssertFailed, file, function, line, text);
}

void CodeNotDone(const char* file, const char* function, int32_t line, const char* text) {
  CallReport(sCodeNotDone, file, function, line, text);
}

void LogNormal(const char* file, const char* function, int32_t line, const char* text) {
  CallReport(sLogNormal, file, function, line, text);
}

void LogMessage(const StringX& text) { LogMessage(text.GetCharArray()); }

void AssertFailed(const StringX& file, const StringX& function, int32_t line, const StringX& text) {
  AssertFailed(file.GetCharArray(), function.GetCharArray(), line, text.GetCharArray());
}

void CodeNotDone(const StringX& file, const StringX& function, int32_t line, const StringX& text) {
  CodeNotDone(file.GetCharArray(), function.GetCharArray(), line, text.GetCharArray());
}

void LogNormal(const StringX& file, const StringX& function, int32_t line, const StringX& text) {
  LogNormal(file.GetCharArray(), function.GetCharArray(), line, text.GetCharArray());
}

#pragma once
// The four process-wide report hooks every module calls. They are unset until the
// error handler installs them and cleared again when it is destroyed; calling an unset
// hook does nothing. Any thread may call them at any time.
#include <cstdint>

using LogMessageHookX = void (*)(const char* text);
using ReportHookX = void (*)(const char* file, const char* function, int32_t line,
                             const char* text);

struct ReportHooksX {
  LogMessageHookX logMessage = nullptr;
  ReportHookX assertFailed = nullptr;
  ReportHookX codeNotDone = nullptr;
  ReportHookX logNormal = nullptr;
};

// Installs all four hooks at once (the error handler's constructor) or clears them (pass {}).
void SetReportHooks(const ReportHooksX& hooks);

void LogMessage(const char* text);
void AssertFailed(const char* file, const char* function, int32_t line, const char* text);
void CodeNotDone(const char* file, const char* function, int32_t line, const char* text);
void LogNormal(const char* file, const char* function, int32_t line, const char* text);

// The same with StringX texts (log lines are built with StringX concatenation); an empty
// string passes as an empty text.
class StringX;
void LogMessage(const StringX& text);
void AssertFailed(const StringX& file, const StringX& function, int32_t line, const StringX& text);
void CodeNotDone(const StringX& file, const StringX& function, int32_t line, const StringX& text);
void LogNormal(const StringX& file, const StringX& function, int32_t line, const StringX& text);

// Reports a failed condition through AssertFailed and lets the caller go on.
// `function` is the qualified name, class and method joined by two colons.
#define KX_ASSERT(condition, function)                                          \
  do {                                                                          \
    if (!(condition)) ::AssertFailed(__FILE__, function, __LINE__, #condition); \
  } while (0)
// Reports a failure with a fixed message ("Not allowed", "Invalid case!", ...).
#define KX_ASSERT_MSG(condition, function, message)                          \
  do {                                                                       \
    if (!(condition)) ::AssertFailed(__FILE__, function, __LINE__, message); \
  } while (0)

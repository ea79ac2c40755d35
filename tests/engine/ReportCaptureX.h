#pragma once
// Installs report hooks that record every report instead of writing a log; restores the
// previous (unset) hooks when it goes out of scope.
#include <mutex>
#include <string>
#include <vector>

#include "engine/ReportHooksX.h"

class ReportCaptureX {
 public:
  struct ReportX {
    std::string kind, function, text;
  };

  ReportCaptureX() {
    sCapture = this;
    ReportHooksX hooks;
    hooks.logMessage = [](const char* text) { sCapture->Add("log", "", text); };
    hooks.assertFailed = [](const char*, const char* function, int32_t, const char* text) {
      sCapture->Add("assert", function, text);
    };
    hooks.codeNotDone = [](const char*, const char* function, int32_t, const char* text) {
      sCapture->Add("notdone", function, text);
    };
    hooks.logNormal = [](const char*, const char* function, int32_t, const char* text) {
      sCapture->Add("normal", function, text);
    };
    SetReportHooks(hooks);
  }
  ~ReportCaptureX() {
    SetReportHooks({});
    sCapture = nullptr;
  }

  std::vector<ReportX> Reports() {
    std::lock_guard<std::mutex> guard(mMutex);
    return mReports;
  }
  // Number of reports of this kind whose text is exactly `text`.
  size_t Count(const std::string& kind, const std::string& text) {
    size_t count = 0;
    for (const ReportX& report : Reports())
      if (report.kind == kind && report.text == text) ++count;
    return count;
  }
  size_t CountKind(const std::string& kind) {
    size_t count = 0;
    for (const ReportX& report : Reports())
      if (report.kind == kind) ++count;
    return count;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(mMutex);
    mReports.clear();
  }

 private:
  void Add(const char* kind, const char* function, const char* text) {
    std::lock_guard<std::mutex> guard(mMutex);
    mReports.push_back({kind, function, text});
  }

  std::mutex mMutex;
  std::vector<ReportX> mReports;
  static inline ReportCaptureX* sCapture = nullptr;
};

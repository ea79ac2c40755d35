#pragma once
// Collects AssertFailed reports while a test runs, so tests can check the report texts.
#include <string>
#include <vector>

#include "engine/ReportHooksX.h"

struct AssertRecordX {
  std::string function;
  std::string text;
};

class AssertCaptureX {
 public:
  AssertCaptureX() {
    Records().clear();
    ReportHooksX hooks;
    hooks.assertFailed = &Capture;
    SetReportHooks(hooks);
  }
  ~AssertCaptureX() { SetReportHooks({}); }

  const std::vector<AssertRecordX>& Get() const { return Records(); }
  size_t Count() const { return Records().size(); }
  // Number of reports carrying this text.
  size_t Count(const std::string& text) const {
    size_t count = 0;
    for (const AssertRecordX& record : Records()) count += record.text == text;
    return count;
  }
  void Reset() { Records().clear(); }

 private:
  static std::vector<AssertRecordX>& Records() {
    static std::vector<AssertRecordX> records;
    return records;
  }
  static void Capture(const char*, const char* function, int32_t, const char* text) {
    Records().push_back({function, text});
  }
};

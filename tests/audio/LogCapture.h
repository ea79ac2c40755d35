#pragma once
// Collects the log lines and failure reports of a test through the report hooks.
#include <string>
#include <vector>

#include "engine/ReportHooksX.h"

class LogCapture {
 public:
  LogCapture() {
    Lines().clear();
    Reports().clear();
    ReportHooksX hooks;
    hooks.logMessage = [](const char* text) { Lines().push_back(text ? text : ""); };
    hooks.assertFailed = [](const char*, const char* function, int32_t, const char* text) {
      Reports().push_back(std::string(function) + ": " + text);
    };
    SetReportHooks(hooks);
  }
  ~LogCapture() { SetReportHooks({}); }

  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static std::vector<std::string>& Reports() {
    static std::vector<std::string> reports;
    return reports;
  }
  // True when some log line holds `text`.
  static bool Logged(const std::string& text) {
    for (const std::string& line : Lines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }
};

#pragma once
// Records every log line and report that goes through the report hooks while it lives, from
// any thread. A capture made while another lives takes over and hands back to it when it
// goes; the last one to go clears the hooks. KX_TEST_VERBOSE also prints every record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ReportHooksX.h"

class ReportCaptureX {
 public:
  enum class KindX { Log, Assert, NotDone, Normal };
  struct ReportX {
    KindX kind;
    std::string function;
    std::string text;
    // A log line as it was logged, any other report as "function: text".
    std::string Line() const { return kind == KindX::Log ? text : function + ": " + text; }
  };

  ReportCaptureX() {
    std::lock_guard<std::mutex> lock(Lock());
    mPrevious = Current();
    Current() = this;
    SetReportHooks(
        {&OnLog, &OnReport<KindX::Assert>, &OnReport<KindX::NotDone>, &OnReport<KindX::Normal>});
  }
  ~ReportCaptureX() {
    std::lock_guard<std::mutex> lock(Lock());
    Current() = mPrevious;
    if (!mPrevious) SetReportHooks({});
  }
  ReportCaptureX(const ReportCaptureX&) = delete;
  ReportCaptureX& operator=(const ReportCaptureX&) = delete;

  std::vector<ReportX> Reports() const {
    std::lock_guard<std::mutex> lock(Lock());
    return mReports;
  }
  std::vector<ReportX> AssertReports() const { return Of(KindX::Assert); }
  // The texts of the log lines.
  std::vector<std::string> Logs() const { return Lines(Of(KindX::Log)); }
  // The assertion reports as "function: text".
  std::vector<std::string> Asserts() const { return Lines(AssertReports()); }

  size_t Count(KindX kind) const { return Of(kind).size(); }
  // Everything but plain log lines: assertions, unfinished code and located reports.
  size_t CountReports() const { return Reports().size() - Count(KindX::Log); }
  // Records whose text is exactly `text`: of one kind, or of any kind.
  size_t CountText(KindX kind, const std::string& text) const {
    size_t count = 0;
    for (const ReportX& report : Of(kind)) count += report.text == text;
    return count;
  }
  size_t CountLog(const std::string& line) const { return CountText(KindX::Log, line); }
  size_t CountText(const std::string& text) const {
    size_t count = 0;
    for (const ReportX& report : Reports()) count += report.text == text;
    return count;
  }
  // Records of any kind whose line holds `part`.
  size_t Mentions(const std::string& part) const {
    size_t count = 0;
    for (const ReportX& report : Reports()) count += report.Line().find(part) != std::string::npos;
    return count;
  }
  bool HasText(const std::string& text) const { return CountText(text) > 0; }
  bool Has(const std::string& part) const { return Mentions(part) > 0; }
  bool HasLog(const std::string& part) const { return Holds(Logs(), part); }
  bool HasAssert(const std::string& part) const { return Holds(Asserts(), part); }

  void Clear() {
    std::lock_guard<std::mutex> lock(Lock());
    mReports.clear();
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static ReportCaptureX*& Current() {
    static ReportCaptureX* current = nullptr;
    return current;
  }
  // A hook may still run on another thread while the last capture goes: then nobody records.
  static void Add(KindX kind, const char* function, const char* text) {
    std::lock_guard<std::mutex> lock(Lock());
    if (!Current()) return;
    Current()->mReports.push_back({kind, function ? function : "", text ? text : ""});
    if (std::getenv("KX_TEST_VERBOSE"))
      std::fprintf(stderr, "%s\n", Current()->mReports.back().Line().c_str());
  }
  static void OnLog(const char* text) { Add(KindX::Log, nullptr, text); }
  template <KindX kind>
  static void OnReport(const char*, const char* function, int32_t, const char* text) {
    Add(kind, function, text);
  }

  std::vector<ReportX> Of(KindX kind) const {
    std::vector<ReportX> found;
    for (ReportX& report : Reports())
      if (report.kind == kind) found.push_back(std::move(report));
    return found;
  }
  static std::vector<std::string> Lines(const std::vector<ReportX>& reports) {
    std::vector<std::string> lines;
    for (const ReportX& report : reports) lines.push_back(report.Line());
    return lines;
  }
  static bool Holds(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines)
      if (line.find(part) != std::string::npos) return true;
    return false;
  }

  ReportCaptureX* mPrevious = nullptr;
  std::vector<ReportX> mReports;
};

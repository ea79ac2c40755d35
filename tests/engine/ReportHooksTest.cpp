// The report hooks: without hooks a report goes nowhere, an installed hook gets the report
// with its function and the failed condition.
#include <gtest/gtest.h>

#include <string>

#include "engine/ReportHooksX.h"

namespace {
std::string gLast;
void Capture(const char* file, const char* function, int32_t line, const char* text) {
  gLast = std::string(file) + "|" + function + "|" + std::to_string(line) + "|" + text;
}
}  // namespace

TEST(ReportHooks, UnsetHooksDoNothingAndInstalledHooksReceiveTheReport) {
  SetReportHooks({});
  gLast.clear();
  AssertFailed("a.cpp", "A::B", 3, "x");
  EXPECT_TRUE(gLast.empty());

  ReportHooksX hooks;
  hooks.assertFailed = &Capture;
  SetReportHooks(hooks);
  KX_ASSERT(1 + 1 == 3, "Test::Hooks");
  EXPECT_NE(gLast.find("|Test::Hooks|"), std::string::npos);
  EXPECT_NE(gLast.find("1 + 1 == 3"), std::string::npos);
  SetReportHooks({});
}

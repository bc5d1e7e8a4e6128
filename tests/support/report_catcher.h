#pragma once

#include <string>
#include <vector>

namespace mulan::testing {

// While one lives on a thread, reports made on that thread are collected in it instead of failing
// the test: for tests that provoke a failure the program must survive and report.
class ReportCatcher {
  public:
    ReportCatcher();
    ~ReportCatcher();
    ReportCatcher(const ReportCatcher&) = delete;
    ReportCatcher& operator=(const ReportCatcher&) = delete;

    // What was reported, in order.
    std::vector<std::string> reports;

    static ReportCatcher* Current();

  private:
    ReportCatcher* outer_;
};

}  // namespace mulan::testing

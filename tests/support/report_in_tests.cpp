// The tests' sink of reports: a report fails the test that made it, unless the test catches it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/report.h"
#include "support/report_catcher.h"

namespace mulan {

namespace testing {

namespace {
thread_local ReportCatcher* current = nullptr;
}  // namespace

ReportCatcher::ReportCatcher() : outer_(current) {
    current = this;
}

ReportCatcher::~ReportCatcher() {
    current = outer_;
}

ReportCatcher* ReportCatcher::Current() {
    return current;
}

}  // namespace testing

void ReportFailure(const char* file, int line, const char* what) noexcept {
    if (testing::ReportCatcher* catcher = testing::ReportCatcher::Current()) {
        try {
            catcher->reports.emplace_back(what);
        } catch (...) {
            std::abort();
        }
        return;
    }
    ADD_FAILURE_AT(file, line) << "reported: " << what;
}

}  // namespace mulan

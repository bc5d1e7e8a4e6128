#include "base/report.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/report_catcher.h"

namespace mulan {
namespace {

TEST(Report, TellsTheConditionThatHeldAndWhatWasCaught) {
    testing::ReportCatcher catcher;
    int checked = 0;
    EXPECT_FALSE(MULAN_REPORT_IF(++checked == 2));
    EXPECT_TRUE(MULAN_REPORT_IF(++checked == 2));
    EXPECT_EQ(checked, 2) << "the condition is evaluated once";
    try {
        throw std::runtime_error("boom");
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
    }
    try {
        throw 42;
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
    }
    EXPECT_EQ(catcher.reports,
              (std::vector<std::string>{"++checked == 2", "boom", "an exception of unknown type"}));
}

TEST(Report, AGuardedBodyReportsWhatEscapesItAndLetsItsOwnerKnow) {
    testing::ReportCatcher catcher;
    std::vector<std::string> steps;
    RunGuarded([&] { steps.push_back("body"); }, [&] { steps.push_back("failure"); });
    RunGuarded([]() { throw std::runtime_error("decoder gone"); }, [&] { steps.push_back("failure"); });
    RunGuarded([]() { throw 1; }, []() { throw std::runtime_error("owner gone too"); });
    EXPECT_EQ(steps, (std::vector<std::string>{"body", "failure"}));
    EXPECT_EQ(catcher.reports,
              (std::vector<std::string>{"decoder gone", "an exception of unknown type", "owner gone too"}));
}

}  // namespace
}  // namespace mulan

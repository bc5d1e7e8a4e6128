#pragma once

// Failures the program survives but must not hide: a broken invariant, or an exception caught at a
// boundary that may not throw (a window procedure, a callback, a guarded step). Each executable
// links one sink for them: the program writes to the debugger's output and goes on as the failure
// style of the place requires, the tests fail the test, the fuzz targets count a finding.

namespace mulan {

// The sink: where a report goes. Defined once per executable (see report_sink*.cpp).
void ReportFailure(const char* file, int line, const char* what) noexcept;

// Reports the exception being handled; call only inside a catch block.
void ReportCurrentException(const char* file, int line) noexcept;

// Runs body where nothing may escape: a worker thread's top, a callback from the system. An exception
// is reported, then onFailure runs (guarded alike), so that the owner hears of it instead of waiting
// for a thread that is gone.
template <class Body, class OnFailure>
void RunGuarded(Body&& body, OnFailure&& onFailure) noexcept;

}  // namespace mulan

// True (after reporting the condition's text and place) when the condition holds:
//     if (MULAN_REPORT_IF(index < 0)) return;
#define MULAN_REPORT_IF(condition) \
    ((condition) ? (::mulan::ReportFailure(__FILE__, __LINE__, #condition), true) : false)

// In a catch block: reports what was caught, with the place.
#define MULAN_REPORT_EXCEPTION() ::mulan::ReportCurrentException(__FILE__, __LINE__)

template <class Body, class OnFailure>
void mulan::RunGuarded(Body&& body, OnFailure&& onFailure) noexcept {
    try {
        body();
        return;
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
    }
    try {
        onFailure();
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
    }
}

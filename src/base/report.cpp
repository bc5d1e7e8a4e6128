#include "base/report.h"

#include <exception>
#include <string>

namespace mulan {

void ReportCurrentException(const char* file, int line) noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        ReportFailure(file, line, e.what());
    } catch (...) {
        ReportFailure(file, line, "an exception of unknown type");
    }
}

}  // namespace mulan

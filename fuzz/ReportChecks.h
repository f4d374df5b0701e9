#pragma once

#include "cli/Reports.h"

#include <cstdlib>

// What every data report must satisfy, whatever the input.
inline void checkDataReport(const hbk::DataReport& report, hbk::DataFormat format) {
    const bool hasVersion = report.status == hbk::DataStatus::Detected ||
                            report.status == hbk::DataStatus::UnsupportedVersion;
    if (report.format != format || report.version.has_value() != hasVersion ||
        report.message.empty() || report.status == hbk::DataStatus::FileMissing) {
        std::abort();
    }
}

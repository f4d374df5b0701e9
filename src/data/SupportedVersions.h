#pragma once

#include "cli/Reports.h"
#include "version/Version.h"

namespace hbk {

// Spine 3.8 without a patch or from patch 20 on, and Spine 4.0 to 4.3.
bool isSupportedDataVersion(const Version& version);

// The report for a version found in a data file: Detected or
// UnsupportedVersion, always with the version.
DataReport makeVersionReport(DataFormat format, const Version& version);

} // namespace hbk

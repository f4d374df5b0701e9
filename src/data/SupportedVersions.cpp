#include "data/SupportedVersions.h"

#include <cstdint>

namespace hbk {

bool isSupportedDataVersion(const Version& version) {
    if (version.major == 3) {
        return version.minor == 8 && (!version.patch || *version.patch >= 20);
    }
    if (version.major == 4) {
        // Unsigned, so that a negative minor falls outside.
        return static_cast<std::uint32_t>(version.minor) <= 3;
    }
    return false;
}

DataReport makeVersionReport(DataFormat format, const Version& version) {
    const bool supported = isSupportedDataVersion(version);
    return DataReport{
        format,
        supported ? DataStatus::Detected : DataStatus::UnsupportedVersion,
        version,
        supported ? "Spine data version detected."
                  : "Spine data version is outside the supported range.",
    };
}

} // namespace hbk

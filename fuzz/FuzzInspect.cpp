// Inspection of any bytes fed as a pipe feeds them: in pieces, with no
// seeking. The report must be the one the chosen check gives on a stream
// it may seek, so the kept bytes replay exactly.
#include "ReportChecks.h"
#include "data/JsonSkeleton.h"
#include "data/SkelHeader.h"
#include "data/SkeletonDataInspector.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <streambuf>
#include <string>

namespace {

// Hands out the bytes in pieces of 1 to 7 and cannot seek, as a pipe.
class PipeBuffer : public std::streambuf {
public:
    explicit PipeBuffer(std::string bytes)
        : bytes_(std::move(bytes)) {}

protected:
    int_type underflow() override {
        if (gptr() < egptr()) {
            return traits_type::to_int_type(*gptr());
        }
        if (next_ == bytes_.size()) {
            return traits_type::eof();
        }
        const std::size_t piece = std::min<std::size_t>(1 + next_ % 7, bytes_.size() - next_);
        char* start = bytes_.data() + next_;
        setg(start, start, start + piece);
        next_ += piece;
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string bytes_;
    std::size_t next_ = 0;
};

bool sameReport(const hbk::DataReport& a, const hbk::DataReport& b) {
    return a.format == b.format && a.status == b.status && a.message == b.message &&
           a.version.has_value() == b.version.has_value() &&
           (!a.version ||
            (a.version->major == b.version->major && a.version->minor == b.version->minor &&
             a.version->patch == b.version->patch));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    PipeBuffer pipe(bytes);
    std::istream piped(&pipe);
    const hbk::DataReport report = hbk::inspectStream(piped);

    std::istringstream sniff(bytes);
    const bool json = hbk::startsLikeJson(sniff);
    std::istringstream whole(bytes);
    const hbk::DataReport expected = json ? hbk::inspectJson(whole) : hbk::inspectSkel(whole);
    checkDataReport(report, json ? hbk::DataFormat::Json : hbk::DataFormat::Skel);
    if (!sameReport(report, expected)) {
        std::abort();
    }
    return 0;
}

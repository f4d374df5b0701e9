#include "data/ReplayBuffer.h"

#include <algorithm>
#include <cstring>

namespace hbk {

void ReplayBuffer::fetch(std::streamsize count) {
    const std::ptrdiff_t position = gptr() - eback();
    const std::size_t kept = kept_.size();
    kept_.resize(kept + static_cast<std::size_t>(count));
    const std::streamsize got = source_.sgetn(kept_.data() + kept, count);
    kept_.resize(kept + static_cast<std::size_t>(std::max<std::streamsize>(got, 0)));
    // The string may have moved: the get area is set anew over it.
    setg(kept_.data(), kept_.data() + position, kept_.data() + kept_.size());
}

ReplayBuffer::int_type ReplayBuffer::underflow() {
    if (gptr() == egptr()) {
        fetch(1);
    }
    return gptr() < egptr() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
}

std::streamsize ReplayBuffer::xsgetn(char_type* out, std::streamsize count) {
    if (count <= 0) {
        return 0;
    }
    const std::streamsize missing = count - (egptr() - gptr());
    if (missing > 0) {
        fetch(missing);
    }
    const std::streamsize n = std::min<std::streamsize>(count, egptr() - gptr());
    std::memcpy(out, gptr(), static_cast<std::size_t>(n));
    setg(eback(), gptr() + n, egptr());
    return n;
}

ReplayBuffer::pos_type ReplayBuffer::seekoff(off_type offset, std::ios_base::seekdir way,
                                             std::ios_base::openmode which) {
    // The end of the source is not known until it has been read.
    if (way == std::ios_base::end) {
        return {off_type(-1)};
    }
    const off_type base = way == std::ios_base::cur ? gptr() - eback() : 0;
    return seekpos(pos_type(base + offset), which);
}

ReplayBuffer::pos_type ReplayBuffer::seekpos(pos_type position, std::ios_base::openmode which) {
    const auto target = static_cast<off_type>(position);
    if ((which & std::ios_base::in) == 0 || target < 0 ||
        target > static_cast<off_type>(kept_.size())) {
        return {off_type(-1)};
    }
    setg(kept_.data(), kept_.data() + target, kept_.data() + kept_.size());
    return position;
}

} // namespace hbk

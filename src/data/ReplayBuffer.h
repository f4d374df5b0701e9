#pragma once

#include <ios>
#include <streambuf>
#include <string>

namespace hbk {

// Reads a source once, front to back, and keeps every byte read, so that a
// check can go back to the first byte without seeking the source: a pipe
// reads like a file. A read fetches from the source only what lies beyond
// the kept bytes, in one request; seeking works within the kept bytes.
class ReplayBuffer final : public std::streambuf {
public:
    explicit ReplayBuffer(std::streambuf& source)
        : source_(source) {}

protected:
    int_type underflow() override;
    std::streamsize xsgetn(char_type* out, std::streamsize count) override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir way,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    // Asks the source for `count` more bytes and keeps what it delivers.
    void fetch(std::streamsize count);

    std::streambuf& source_;
    std::string kept_;
};

} // namespace hbk

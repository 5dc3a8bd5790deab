#include "news_api/url_hash.h"

#include <array>
#include <charconv>

namespace papyr {
namespace {

std::uint64_t rotl(std::uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

// SipHash-1-3: one compression round per 8-byte block, three finalisation
// rounds. Bytes are fed as a stream so the trailing 0xFF needs no copy of the
// URL.
class SipHash13 {
  public:
    void write(std::string_view bytes) {
        for (const char byte : bytes)
            write_byte(static_cast<std::uint8_t>(byte));
    }

    void write_byte(std::uint8_t byte) {
        tail_ |= std::uint64_t{byte} << (8 * tail_size_);
        ++length_;
        if (++tail_size_ == 8) {
            compress(tail_);
            tail_ = 0;
            tail_size_ = 0;
        }
    }

    std::uint64_t finish() {
        // The last block carries the low byte of the total length on top.
        compress((length_ << 56) | tail_);
        v_[2] ^= 0xFF;
        round();
        round();
        round();
        return v_[0] ^ v_[1] ^ v_[2] ^ v_[3];
    }

  private:
    void compress(std::uint64_t block) {
        v_[3] ^= block;
        round();
        v_[0] ^= block;
    }

    void round() {
        auto& [v0, v1, v2, v3] = v_;
        v0 += v1;
        v1 = rotl(v1, 13);
        v1 ^= v0;
        v0 = rotl(v0, 32);
        v2 += v3;
        v3 = rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = rotl(v1, 17);
        v1 ^= v2;
        v2 = rotl(v2, 32);
    }

    // The initial state for keys k0 = k1 = 0: the constants themselves.
    std::array<std::uint64_t, 4> v_{0x736f6d6570736575ULL, 0x646f72616e646f6dULL,
                                    0x6c7967656e657261ULL, 0x7465646279746573ULL};
    std::uint64_t tail_ = 0;
    unsigned tail_size_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace

std::uint64_t url_hash(std::string_view url) {
    SipHash13 hasher;
    hasher.write(url);
    hasher.write_byte(0xFF);
    return hasher.finish();
}

std::string article_cache_file_name(std::string_view url) {
    std::array<char, 16> digits{};
    const auto end =
        std::to_chars(digits.data(), digits.data() + digits.size(), url_hash(url), 16).ptr;
    return "art_" + std::string(digits.data(), end) + ".json";
}

}  // namespace papyr

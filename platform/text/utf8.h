#pragma once

#include <cstddef>
#include <string_view>

// Where a text longer than limit bytes is cut so that no UTF-8 character is split: at limit, or
// before the character that would not fit whole. Bytes that are no UTF-8 (four continuation
// bytes in a row) are cut at limit as they stand. A text of at most limit bytes is not cut.
inline std::size_t Utf8CutPoint(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    const auto continuation = [&text](std::size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    // A UTF-8 character has at most three continuation bytes after its first.
    constexpr std::size_t kMaxContinuationBytes = 3;
    std::size_t cut = limit;
    while (cut > 0 && cut + kMaxContinuationBytes > limit && continuation(cut))
        --cut;
    return continuation(cut) ? limit : cut;
}

#include "importedspectra.h"

namespace
{

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A UTF-8 character has at most three continuation bytes after its first.
constexpr std::size_t kMaxContinuationBytes = 3;

} // namespace

std::string SpectrumName(std::string_view raw)
{
    std::string name;
    bool gap = false; // control characters since the last byte kept
    // One byte beyond the limit shows whether the cut falls inside a character.
    for (std::size_t i = 0; i < raw.size() && name.size() <= kMaxNameBytes; ++i) {
        const char c = raw[i];
        if (isControl(c)) {
            gap = true;
            continue;
        }
        if (gap && c != ' ' && !name.empty() && name.back() != ' ')
            name.push_back(' ');
        gap = false;
        if (c != ' ' || !name.empty())
            name.push_back(c);
    }
    if (name.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > kMaxNameBytes - kMaxContinuationBytes && isContinuation(name[cut]))
            --cut;
        // Four continuation bytes in a row are no UTF-8: such bytes are cut where they are.
        if (isContinuation(name[cut]))
            cut = kMaxNameBytes;
        name.resize(cut);
    }
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

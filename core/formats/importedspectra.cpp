#include "importedspectra.h"

#include "utf8.h"

namespace
{

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

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
    name.resize(Utf8CutPoint(name, kMaxNameBytes));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

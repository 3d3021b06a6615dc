// Any bytes as a peak file: no crash, no sanitizer report, and exactly the entries a plain reading
// of the line rules gives: the text before the first Ctrl-Z, split at CR LF, CR and LF, with no
// extra empty entry after a line end at the very end.

#include "exceptions.h"
#include "peakfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

const std::string &scratchFile()
{
    static const std::string name = "/tmp/fuzz_peakfile_" + std::to_string(::getpid()) + ".txt";
    return name;
}

std::vector<std::string> expectedEntries(const std::string &bytes)
{
    const std::string text = bytes.substr(0, bytes.find('\x1a'));
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string::npos) {
            entries.push_back(text.substr(start));
            break;
        }
        entries.push_back(text.substr(start, stop - start));
        start = stop + 1;
        if (text[stop] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    if (FILE *file = std::fopen(scratchFile().c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    } else {
        return 0;
    }
    std::vector<std::string> entries;
    try {
        ReadPeakFile(
            scratchFile(), [&entries](const std::string &line) { entries.push_back(line); });
    } catch (const EInOutError &) {
        return 0; // the scratch file vanished or could not be read: nothing to compare
    } catch (const EConvertError &) {
        // Only a line of more than 4 KiB is refused as no peak position.
        if (size <= 4096)
            std::abort();
        return 0;
    }
    if (entries != expectedEntries(bytes))
        std::abort();
    return 0;
}

#include "peakfile.h"

#include "numconv.h"
#include "textfile.h"

namespace {

// How much of a line beyond the text-file limit the error quotes.
constexpr std::size_t kQuotedStart = 20;

} // namespace

void ReadPeakFile(const std::string &fileName,
                  const std::function<void(const std::string &)> &addLine)
{
    TextFile file(fileName);
    while (!file.Eof()) {
        const std::string_view line = file.ReadLine();
        // Tens of megabytes in one line are no peak position anyone wrote: refused as not a
        // number here, instead of becoming an entry that no list or message could show.
        if (file.LineTooLong())
            ThrowInvalidFloat(std::string(line.substr(0, kQuotedStart)) + "...");
        addLine(std::string(line));
    }
}

#include "peakfile.h"

#include "exceptions.h"
#include "messages.h"
#include "numconv.h"
#include "textfile.h"

#include <filesystem>
#include <system_error>

#ifndef PEAKHOUND_DATA_DIR
#define PEAKHOUND_DATA_DIR "/usr/local/share/peakhound"
#endif

namespace
{

// How much of a line beyond the text-file limit the error quotes.
constexpr std::size_t kQuotedStart = 20;

std::string &installedDataDirectory()
{
    static std::string directory = PEAKHOUND_DATA_DIR;
    return directory;
}

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

std::string InstalledDataDirectory()
{
    return installedDataDirectory();
}

void SetInstalledDataDirectory(const std::string &directory)
{
    installedDataDirectory() = directory;
}

std::string PresetPeakFile(const std::string &startDirectory, const std::string &name)
{
    const std::string local = startDirectory + "/peaks/" + name;
    const std::string installed = installedDataDirectory() + "/peaks/" + name;
    std::error_code error;
    if (std::filesystem::exists(local, error))
        return local;
    if (std::filesystem::exists(installed, error))
        return installed;
    std::string tried = local;
    if (installed != local)
        tried += ", " + installed;
    throw EInOutError(2, FormatMessage(Messages::PresetNotFound, tried));
}

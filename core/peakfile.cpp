#include "peakfile.h"

#include "exceptions.h"
#include "executable.h"
#include "messages.h"
#include "numconv.h"
#include "textfile.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#ifndef PEAKHOUND_DATA_DIR
#define PEAKHOUND_DATA_DIR "/usr/local/share/peakhound"
#endif
// The data folder seen from the folder the executables are installed in.
#ifndef PEAKHOUND_DATA_FROM_BIN
#define PEAKHOUND_DATA_FROM_BIN "../share/peakhound"
#endif

namespace
{

// How much of a line beyond the text-file limit the error quotes.
constexpr std::size_t kQuotedStart = 20;

// No peak position anyone writes is longer; a longer line would become a list entry that the
// window lays out anew at every paint (an entry of 8 MiB takes the window half a second a paint).
constexpr std::size_t kLongestPeakLine = 4096;

// Set by tests; unset, the folders of InstalledDataDirectories() are used.
std::optional<std::string> &dataDirectoryOverride()
{
    static std::optional<std::string> directory;
    return directory;
}

// folder/peaks/name, without a doubled separator when folder ends with one (the root "/").
std::string presetPath(const std::string &folder, const std::string &name)
{
    return (std::filesystem::path(folder) / "peaks" / name).string();
}

} // namespace

void ReadPeakFile(
    const std::string &fileName, const std::function<void(const std::string &)> &addLine)
{
    TextFile file(fileName);
    while (!file.Eof()) {
        const std::string_view line = file.ReadLine();
        // Kilobytes in one line are no peak position anyone wrote: refused as not a number
        // here, instead of becoming an entry that no list or message could show.
        if (file.LineTooLong() || line.size() > kLongestPeakLine)
            ThrowInvalidFloat(std::string(line.substr(0, kQuotedStart)) + "...");
        addLine(std::string(line));
    }
}

std::vector<std::string> InstalledDataDirectories()
{
    if (dataDirectoryOverride())
        return { *dataDirectoryOverride() };
    std::vector<std::string> folders;
    const std::string executableFolder = ExecutableDirectory();
    // The executable's folder has its links resolved, so ".." here is the real parent.
    if (!executableFolder.empty())
        folders.push_back((std::filesystem::path(executableFolder) / PEAKHOUND_DATA_FROM_BIN)
                              .lexically_normal()
                              .string());
    const std::string configured =
        std::filesystem::path(PEAKHOUND_DATA_DIR).lexically_normal().string();
    if (std::find(folders.begin(), folders.end(), configured) == folders.end())
        folders.push_back(configured);
    return folders;
}

void SetInstalledDataDirectory(const std::string &directory)
{
    if (directory.empty())
        dataDirectoryOverride().reset();
    else
        dataDirectoryOverride() = directory;
}

std::string PresetPeakFile(const std::string &startDirectory, const std::string &name)
{
    std::vector<std::string> candidates { presetPath(startDirectory, name) };
    for (const auto &folder : InstalledDataDirectories()) {
        const std::string path = presetPath(folder, name);
        if (std::find(candidates.begin(), candidates.end(), path) == candidates.end())
            candidates.push_back(path);
    }
    std::string tried;
    for (const auto &path : candidates) {
        std::error_code error;
        if (std::filesystem::exists(path, error))
            return path;
        tried += (tried.empty() ? "" : ", ") + path;
    }
    throw EInOutError(2, FormatMessage(Messages::PresetNotFound, tried));
}

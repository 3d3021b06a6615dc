// peakhound-convert: writes spectrum files of any format the program reads in its own layout, so
// that a laboratory can keep its files in one form and use them with other tools.

#include "commandline.h"
#include "exceptions.h"
#include "faultinjection.h"
#include "filesizelimit.h"
#include "language.h"
#include "messages.h"
#include "separators.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "spectrumwriter.h"
#include "textoutput.h"
#include "translatable.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace
{

constexpr const char *kUsage =
    "Usage: peakhound-convert FILE... --out DIR\n"
    "Write every readable spectrum file (instrument files, vendor text exports, spectrum files)\n"
    "into DIR in the program's own layout, under its name with the extension .txt.\n"
    "\n"
    "  --out DIR   the folder to write into (it must exist); also --out=DIR\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "An existing file of the same name in DIR is replaced; a file is written whole or not at all.\n"
    "Exit status: 0 every file converted, 1 a file could not be read, had the wrong layout or\n"
    "could not be written (the others are still converted), 2 usage error.\n";

constexpr const char *kBadFilesHeading = QT_TRANSLATE_NOOP(
    "Messages", "Folgende Daten hatten nicht das richtige Format und wurden ignoriert:");

void complain(const std::string &name, const std::string &message)
{
    std::fprintf(stderr, "peakhound-convert: %s: %s\n", EscapeControls(name).c_str(),
        EscapeControls(TranslatedMessage(message)).c_str());
}

int run(int argc, char **argv)
{
    std::vector<std::string> files;
    std::string out;
    const CommandLine commandLine({ { "--out", true } });
    try {
        const CommandLine::Request request = commandLine.parse(
            argc, argv, [&out](const std::string &, std::string value) { out = std::move(value); },
            [&files](std::string name) { files.push_back(std::move(name)); });
        if (request != CommandLine::Request::Run) {
            const std::string text = request == CommandLine::Request::Help
                ? std::string(kUsage)
                : VersionLine("peakhound-convert");
            std::fputs(text.c_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (out.empty() || files.empty())
            throw UsageError { out.empty() ? "--out DIR is missing" : "no file given" };
    } catch (const UsageError &error) {
        return ReportUsageError("peakhound-convert", error, kUsage);
    }
    std::error_code error;
    if (!std::filesystem::is_directory(out, error)) {
        std::fprintf(stderr, "peakhound-convert: %s: not a folder\n", EscapeControls(out).c_str());
        return 2;
    }

    const NumberSeparators separators = CurrentSeparators();
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData badFiles;
    std::map<std::string, std::string> written; // output path -> the file it came from
    bool failed = false;
    for (const std::string &name : files) {
        try {
            const LoadResult load = LoadSpectrumFile(*table, badFiles, name, separators);
            if (!load.WellFormed)
                continue;
        } catch (const Exception &e) {
            complain(name, e.what());
            failed = true;
            continue;
        } catch (const std::bad_alloc &) {
            complain(name, std::string(Messages::OutOfMemory));
            failed = true;
            continue;
        }
        const std::filesystem::path source(name);
        const std::filesystem::path target =
            std::filesystem::path(out) / source.filename().replace_extension(".txt");
        const std::string targetName = target.string();
        std::error_code same;
        if (std::filesystem::equivalent(source, target, same)) {
            complain(name, "would replace itself in " + out);
            failed = true;
            continue;
        }
        const auto earlier = written.find(targetName);
        if (earlier != written.end()) {
            complain(name, targetName + " was already written from " + earlier->second);
            failed = true;
            continue;
        }
        try {
            WriteTextFile(targetName, SpectrumFileText(*table, source.filename().string()));
        } catch (const Exception &e) {
            complain(targetName, FormatMessage(Messages::WriteError, e.what()));
            failed = true;
            continue;
        }
        written.emplace(targetName, name);
    }
    if (badFiles.Count > 0) {
        std::fprintf(stderr, "%s\n", TranslatedMessage(kBadFilesHeading).c_str());
        for (int k = 1; k <= badFiles.Count; ++k)
            std::fprintf(
                stderr, "\t%s\n", EscapeControls(TranslatedMessage(badFiles.Entry(k))).c_str());
        failed = true;
    }
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    ReportFileSizeLimitAsWriteError();
    SetMessageLanguage(LanguageFromEnvironment());
    std::setlocale(LC_ALL, "");
#ifdef PH_FAULT_FROM_ENVIRONMENT
    Fault::ArmFromEnvironment();
#endif
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fprintf(
            stderr, "peakhound-convert: %s\n", TranslatedMessage(Messages::OutOfMemory).c_str());
        return 1;
    }
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How spectra flow out of a file: a reader hands them one at a time to a sink, each with its own
// x values, and knows nothing of what the sink does with them. The spectrum table is one sink
// (with its limits of 99 spectra and 10000 points), the judgement of every spectrum of a file is
// another; neither holds more of a file than it keeps.

// One spectrum as a reader hands it over. The arrays hold Points values each and stay valid only
// during the sink's Take call.
struct StreamedSpectrum {
    const double *X = nullptr;
    const double *Y = nullptr;
    std::size_t Points = 0;
    // Its number in the file, from 0.
    std::uint64_t Index = 0;
    // As the file names it (passed through SpectrumName), or empty.
    std::string_view Name;
    // The stage position of a spectrum of a map or a line scan, in the file's units.
    bool HasPosition = false;
    double PositionX = 0;
    double PositionY = 0;
};

// What a reader knows before its first spectrum.
struct StreamStart {
    std::string_view XCaption; // empty: the default "Raman shift [1/cm]"
    std::string_view YCaption; // empty: the default "Intensity"
    // The number of spectra the file announces, 0 when only reading it to its end tells.
    std::uint64_t Spectra = 0;
    // The points of every spectrum when the file announces one count for all before any is read;
    // 0 otherwise.
    std::uint64_t Points = 0;
};

class SpectrumSink
{
public:
    virtual ~SpectrumSink() = default;
    // Called once before the first spectrum; false: the sink wants no spectrum of this file.
    virtual bool Start(const StreamStart &start) = 0;
    // One spectrum after the other in the file's order; false: the sink wants no more.
    virtual bool Take(const StreamedSpectrum &spectrum) = 0;
    // The first spectrum the sink wants (its Index): a reader that reaches spectra without
    // reading those before them (WDF, SPC with one x) starts there; the others hand over every
    // spectrum, and the sink passes by those before it.
    virtual std::uint64_t FirstWanted() const { return 0; }
};

// What a reading came to: read (to its end, or as far as the sink wanted), or refused, with the
// reason in the program's words and without the file's name ("beschädigt: Block DATA endet nach
// dem Dateiende"). A reader may have handed over spectra before it found the fault that refuses
// the file; whoever collects them drops them then.
struct ReadOutcome {
    bool Read = false;
    std::string Reason; // empty when read

    static ReadOutcome Done() { return { true, {} }; }
    static ReadOutcome Refused(std::string reason) { return { false, std::move(reason) }; }
};

// The words of the reasons readers share.
namespace Refusal
{
// "beschädigt: " and what is wrong.
std::string Damaged(std::string_view what);
// A reading refused without a word of its own: "beschädigt oder nicht lesbar (FORMAT)".
std::string Unreadable(std::string_view format);
// "nicht unterstützt (WHAT)": a format or a variant this program does not read.
std::string Unsupported(std::string_view what);
} // namespace Refusal

// The bytes of a file as a reader sees them: the whole file at once when it is small enough, or
// any range through a window the reader keeps. A file's bytes come from disk as they are asked
// for, so that a reader of a file larger than memory holds only its windows.
struct SourceWindow {
    std::string Buffer;
    std::uint64_t Start = 0;
    std::size_t Length = 0;
};

class ByteSource
{
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // The count bytes at offset at, which the caller has checked lie inside Size(). The view
    // stays valid until the window is used again. A failing read raises the file error.
    virtual std::string_view Bytes(std::uint64_t at, std::size_t count, SourceWindow &window) = 0;
    // The whole source, when it holds at most maxBytes; false (and bytes empty) otherwise.
    virtual bool Whole(std::string_view &bytes, std::size_t maxBytes) = 0;
};

// Bytes already in memory (tests, fuzzing, the readers' own wrappers).
class MemorySource : public ByteSource
{
public:
    explicit MemorySource(std::string_view bytes)
        : m_bytes(bytes)
    {
    }
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::string_view Bytes(std::uint64_t at, std::size_t count, SourceWindow &) override
    {
        return m_bytes.substr(static_cast<std::size_t>(at), count);
    }
    bool Whole(std::string_view &bytes, std::size_t maxBytes) override;

private:
    std::string_view m_bytes;
};

// The signature of every reader: decodes the source and hands its spectra to the sink. It never
// throws for bad input (a failing read of the file raises the file error), and checks every
// length, count and offset against the source's size before it uses it; what it holds beyond the
// spectrum it hands over stays bounded by a fixed amount (readers of binary files) or by a small
// multiple of the file's size (readers of text, which see the file whole).
using StreamReader = ReadOutcome (*)(ByteSource &source, SpectrumSink &sink);

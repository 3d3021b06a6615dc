#include "spereader.h"

#include "littleendian.h"
#include "textfields.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace
{

constexpr std::size_t kHeaderBytes = 4100;
constexpr std::size_t kWidthAt = 42; // uint16
constexpr std::size_t kPixelTypeAt = 108; // int16
constexpr std::size_t kHeightAt = 656; // uint16
constexpr std::size_t kFooterAt = 678; // uint64, version 3
constexpr std::size_t kFramesAt = 1446; // int32
constexpr std::size_t kVersionAt = 1992; // float32
constexpr std::size_t kLastValueAt = 4098; // uint16, 0x5555
constexpr std::uint16_t kLastValue = 0x5555;

// Bytes per pixel of a pixel type, 0 for one not read.
std::size_t pixelBytes(int type)
{
    switch (type) {
    case 0: // float32
    case 1: // int32
    case 8: // uint32
        return 4;
    case 2: // int16
    case 3: // uint16
        return 2;
    default:
        return 0;
    }
}

double pixel(std::string_view b, std::size_t at, int type)
{
    switch (type) {
    case 0:
        return le::F32(b, at);
    case 1:
        return le::I32(b, at);
    case 8:
        return le::U32(b, at);
    case 2:
        return le::I16(b, at);
    default:
        return le::U16(b, at);
    }
}

struct Header {
    std::size_t width = 0, height = 0, frames = 0;
    int type = 0;
    std::uint64_t dataBytes = 0;
    bool version3 = false;
    std::uint64_t footer = 0;
};

bool readHeader(std::string_view head, std::size_t fileSize, Header &h)
{
    if (head.size() < kVersionAt + 4 || fileSize <= kHeaderBytes)
        return false;
    h.width = le::U16(head, kWidthAt);
    h.height = le::U16(head, kHeightAt);
    h.type = le::I16(head, kPixelTypeAt);
    const std::int32_t frames = le::I32(head, kFramesAt);
    const std::size_t bytes = pixelBytes(h.type);
    if (h.width == 0 || h.height == 0 || frames <= 0 || bytes == 0)
        return false;
    h.frames = static_cast<std::size_t>(frames);
    // A frame takes at most 2^16 * 2^16 * 4 bytes; the frames are counted against the file's
    // size before they are multiplied, so nothing overflows.
    const std::uint64_t frameBytes = std::uint64_t { h.width } * h.height * bytes;
    if (h.frames > fileSize / frameBytes)
        return false;
    h.dataBytes = frameBytes * h.frames;
    const double version = le::F32(head, kVersionAt);
    h.version3 = std::isfinite(version) && version >= 3.0;
    if (!h.version3)
        return kHeaderBytes + h.dataBytes == fileSize;
    h.footer = le::U64(head, kFooterAt);
    return h.footer >= kHeaderBytes + h.dataBytes && h.footer < fileSize;
}

// Where the next start tag "<name" (followed by a blank, '>' or '/') after `from` begins; npos
// when there is none.
std::size_t findElement(std::string_view xml, std::string_view name, std::size_t from)
{
    for (std::size_t at = xml.find(name, from + 1); at != std::string_view::npos;
         at = xml.find(name, at + 1)) {
        const std::size_t after = at + name.size();
        if (at > 0 && xml[at - 1] == '<' && after < xml.size()
            && (xml[after] == ' ' || xml[after] == '>' || xml[after] == '/'))
            return at - 1;
    }
    return std::string_view::npos;
}

// The start tag beginning at `at` (up to its '>'), empty when it is not closed.
std::string_view startTag(std::string_view xml, std::size_t at)
{
    const std::size_t end = xml.find('>', at);
    return end == std::string_view::npos ? std::string_view() : xml.substr(at, end - at);
}

// An attribute's value in a start tag; false when the tag does not have it.
bool attribute(std::string_view tag, std::string_view name, std::string_view &value)
{
    for (std::size_t at = tag.find(name); at != std::string_view::npos;
         at = tag.find(name, at + 1)) {
        const std::size_t quote = at + name.size() + 1;
        if (at == 0 || tag[at - 1] != ' ' || quote >= tag.size() || tag[quote - 1] != '='
            || tag[quote] != '"')
            continue;
        const std::size_t close = tag.find('"', quote + 1);
        if (close == std::string_view::npos)
            return false;
        value = tag.substr(quote + 1, close - quote - 1);
        return true;
    }
    return false;
}

bool attributeEquals(std::string_view tag, std::string_view name, std::size_t expected)
{
    std::string_view value;
    int number = 0;
    return attribute(tag, name, value) && TryStrToInt(value, number) && number >= 0
        && static_cast<std::size_t>(number) == expected;
}

// The footer's frame layout: one frame block holding exactly one region of the header's size.
bool oneRegion(std::string_view xml, const Header &h)
{
    const std::size_t frame = findElement(xml, "DataBlock", 0);
    if (frame == std::string_view::npos)
        return false;
    const std::string_view frameTag = startTag(xml, frame);
    std::string_view type;
    if (!attribute(frameTag, "type", type) || type != "Frame"
        || !attributeEquals(frameTag, "count", h.frames))
        return false;
    const std::size_t region = findElement(xml, "DataBlock", frame + 1);
    if (region == std::string_view::npos)
        return false;
    const std::string_view regionTag = startTag(xml, region);
    if (!attribute(regionTag, "type", type) || type != "Region"
        || !attributeEquals(regionTag, "count", 1) || !attributeEquals(regionTag, "width", h.width)
        || !attributeEquals(regionTag, "height", h.height))
        return false;
    const std::size_t next = findElement(xml, "DataBlock", region + 1);
    const std::size_t formatEnd = xml.find("</DataFormat>", region);
    return formatEnd != std::string_view::npos
        && (next == std::string_view::npos || next > formatEnd);
}

// x from the wavelength mapping: one wavelength per pixel, as Raman shifts when the mapping
// names the laser line.
bool calibration(std::string_view xml, std::size_t width, ImportedSpectra &out)
{
    const std::size_t mapping = findElement(xml, "WavelengthMapping", 0);
    if (mapping == std::string_view::npos)
        return false;
    const std::string_view mappingTag = startTag(xml, mapping);
    const std::size_t list = findElement(xml, "Wavelength", mapping + 1);
    const std::size_t mappingEnd = xml.find("</WavelengthMapping>", mapping);
    if (mappingTag.empty() || list == std::string_view::npos || mappingEnd == std::string_view::npos
        || list > mappingEnd)
        return false;
    const std::string_view listTag = startTag(xml, list);
    if (listTag.empty())
        return false;
    const std::size_t textBegin = list + listTag.size() + 1;
    const std::size_t textEnd = xml.find("</Wavelength>", textBegin);
    if (textEnd == std::string_view::npos || textEnd > mappingEnd)
        return false;
    std::vector<std::string_view> fields;
    if (!SplitFields(xml.substr(textBegin, textEnd - textBegin), ',', fields, width)
        || fields.size() != width)
        return false;
    double laser = 0.0;
    std::string_view laserText;
    const bool shift = attribute(mappingTag, "laserLine", laserText);
    if (shift && (!FieldToNumber(laserText, '.', laser) || laser <= 0.0))
        return false;
    out.X.resize(width);
    for (std::size_t i = 0; i < width; ++i) {
        double wavelength = 0.0;
        if (!FieldToNumber(fields[i], '.', wavelength) || wavelength <= 0.0)
            return false;
        out.X[i] = shift ? 1e7 / laser - 1e7 / wavelength : wavelength;
    }
    out.XCaption = shift ? std::string() : std::string("Wavelength [nm]");
    return true;
}

} // namespace

bool LooksSpe(std::string_view head, std::size_t fileSize, std::string_view)
{
    Header h;
    return readHeader(head, fileSize, h);
}

namespace
{

bool decodeSpe(std::string_view bytes, ImportedSpectra &out)
{
    Header h;
    if (!readHeader(bytes.substr(0, kSignatureBytes), bytes.size(), h) || !h.version3
        || le::U16(bytes, kLastValueAt) != kLastValue || h.footer != kHeaderBytes + h.dataBytes
        || h.width > kImportMaxPoints || h.height * h.frames > kImportMaxSpectra)
        return false;
    const std::string_view xml = bytes.substr(static_cast<std::size_t>(h.footer));
    ImportedSpectra result;
    if (xml.find("<SpeFormat") > 256 || !oneRegion(xml, h) || !calibration(xml, h.width, result))
        return false;
    const std::size_t size = pixelBytes(h.type);
    std::size_t at = kHeaderBytes;
    result.Y.resize(h.height * h.frames);
    for (std::vector<double> &y : result.Y) {
        y.resize(h.width);
        for (double &v : y) {
            v = pixel(bytes, at, h.type);
            at += size;
        }
    }
    out = std::move(result);
    return true;
}

} // namespace

ReadOutcome StreamSpe(ByteSource &source, SpectrumSink &sink)
{
    return DecodeWhole(source, sink, decodeSpe, "SPE");
}

bool ReadSpe(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamSpe, bytes, out);
}

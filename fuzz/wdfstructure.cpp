#include "wdfstructure.h"

#include <algorithm>
#include <utility>

namespace fuzz
{

namespace
{

    constexpr std::size_t kBlockHeaderBytes = 16;

    // File header fields, as ReadWdf and the files lay them out.
    constexpr std::size_t kVersionAt = 4;
    constexpr std::size_t kHeaderSizeAt = 8;
    constexpr std::size_t kFlagsAt = 16;
    constexpr std::size_t kTracksAt = 52;
    constexpr std::size_t kPointsAt = 60;
    constexpr std::size_t kCapacityAt = 64;
    constexpr std::size_t kCollectedAt = 72;
    constexpr std::size_t kAccumulationsAt = 80;
    constexpr std::size_t kYCountAt = 84;
    constexpr std::size_t kXCountAt = 88;
    constexpr std::size_t kOriginCountAt = 92;
    constexpr std::size_t kAppNameAt = 96;
    constexpr std::size_t kMeasurementTypeAt = 132;
    constexpr std::size_t kYUnitsAt = 152;
    constexpr std::size_t kLaserAt = 156;
    constexpr std::size_t kTitleAt = 240;
    constexpr std::size_t kTitleBytes = 160;

    // A list block's body (XLST, YLST): data type, units, then float32 values.
    constexpr std::size_t kListPreambleBytes = 8;

    // The header fields a mutation sets, with their widths.
    struct Field {
        std::size_t At;
        unsigned Bytes;
    };
    const std::vector<Field> kCountFields = { { kPointsAt, 4 }, { kCapacityAt, 8 },
        { kCollectedAt, 8 }, { kXCountAt, 4 }, { kYCountAt, 4 }, { kTracksAt, 4 },
        { kOriginCountAt, 4 }, { kFlagsAt, 8 }, { kVersionAt, 4 }, { kHeaderSizeAt, 8 },
        { kMeasurementTypeAt, 4 }, { kYUnitsAt, 4 } };

    const std::vector<std::string> kBlockNames = { "DATA", "XLST", "YLST", "ORGN", "WMAP", "TEXT",
        "WHTL", "WXDA", "WXDM", "WXCS", "WXIS", "ZLDC", "BKXL", "MAP ", "CFAR", "DLCS", "PSET" };

    std::size_t findBlock(const WdfFile &file, std::string_view name)
    {
        for (std::size_t i = 0; i < file.Blocks.size(); ++i)
            if (file.Blocks[i].Name == name)
                return i;
        return file.Blocks.size();
    }

    WdfBlock makeBlock(std::string name, std::string body)
    {
        WdfBlock block;
        block.Name = std::move(name);
        block.Body = std::move(body);
        return block;
    }

    void setTitle(std::string &header, const std::string &title)
    {
        std::fill(header.begin() + kTitleAt, header.begin() + kTitleAt + kTitleBytes, '\0');
        header.replace(kTitleAt, title.size(), title);
    }

    // The counts of the header as the DATA and XLST blocks imply them, so that a file whose blocks
    // a mutation resized gets past the reader's checks again.
    void matchHeaderToBlocks(WdfFile &file, Random &random)
    {
        const std::size_t x = findBlock(file, "XLST");
        const std::size_t data = findBlock(file, "DATA");
        if (x == file.Blocks.size() || data == file.Blocks.size())
            return;
        const std::string &xBody = file.Blocks[x].Body;
        if (xBody.size() < kListPreambleBytes + 4)
            return;
        const std::size_t points = (xBody.size() - kListPreambleBytes) / 4;
        file.Blocks[x].Body.resize(kListPreambleBytes + 4 * points);
        std::string &dataBody = file.Blocks[data].Body;
        const std::size_t capacity = std::max<std::size_t>(1, dataBody.size() / (4 * points));
        dataBody.resize(4 * points * capacity, '\0');
        PutU32(file.Header, kPointsAt, static_cast<std::uint32_t>(points));
        PutU32(file.Header, kXCountAt, static_cast<std::uint32_t>(points));
        PutU64(file.Header, kCapacityAt, capacity);
        PutU64(file.Header, kCollectedAt, random.OneIn(3) ? 1 + random.Below(capacity) : capacity);
    }

    // Every spectrum and the x list cut or padded to `points` values.
    void resizePoints(WdfFile &file, std::size_t points, Random &random)
    {
        const std::size_t x = findBlock(file, "XLST");
        const std::size_t data = findBlock(file, "DATA");
        if (x == file.Blocks.size() || data == file.Blocks.size() || points == 0)
            return;
        const std::size_t oldPoints = GetU32(file.Header, kPointsAt);
        std::string &xBody = file.Blocks[x].Body;
        xBody.resize(kListPreambleBytes + 4 * points, '\0');
        std::string &dataBody = file.Blocks[data].Body;
        // Long spectra keep only the first, so that a file stays within libFuzzer's length limit.
        if (4 * points * (dataBody.size() / (4 * std::max<std::size_t>(oldPoints, 1))) > 65536)
            dataBody.resize(std::min<std::size_t>(dataBody.size(), 4 * oldPoints));
        if (oldPoints > 0 && oldPoints <= dataBody.size()) {
            std::string resized;
            for (std::size_t at = 0; at + 4 * oldPoints <= dataBody.size(); at += 4 * oldPoints) {
                std::string spectrum = dataBody.substr(at, 4 * oldPoints);
                spectrum.resize(4 * points, '\0');
                resized += spectrum;
            }
            dataBody = resized;
        }
        for (std::size_t i = oldPoints; i < points; ++i)
            PutF32(xBody, kListPreambleBytes + 4 * i, static_cast<float>(100 + i));
        PutU32(file.Header, kPointsAt, static_cast<std::uint32_t>(points));
        matchHeaderToBlocks(file, random);
    }

    // Whole spectra added to DATA, taken from it or repeated.
    void changeSpectra(WdfFile &file, Random &random)
    {
        const std::size_t data = findBlock(file, "DATA");
        const std::size_t points = GetU32(file.Header, kPointsAt);
        if (data == file.Blocks.size() || points == 0 || points > 100000)
            return;
        std::string &body = file.Blocks[data].Body;
        const std::size_t spectrumBytes = 4 * points;
        const std::size_t spectra = body.size() / spectrumBytes;
        switch (random.Below(3)) {
        case 0:
            if (spectra > 1)
                body.erase(spectrumBytes * random.Below(spectra), spectrumBytes);
            break;
        case 1:
            if (spectra > 0)
                body += body.substr(spectrumBytes * random.Below(spectra), spectrumBytes);
            break;
        default:
            // Up to the table's limit and one past it, at a few points each.
            if (spectra * spectrumBytes < 8192)
                body.resize(spectrumBytes * (spectra + random.Below(100)), '\0');
            break;
        }
        matchHeaderToBlocks(file, random);
    }

    void putSpecialValue(WdfFile &file, Random &random)
    {
        const std::size_t which =
            random.OneIn(2) ? findBlock(file, "XLST") : findBlock(file, "DATA");
        if (which == file.Blocks.size())
            return;
        std::string &body = file.Blocks[which].Body;
        if (body.size() >= 4)
            PutF32(body, 4 * random.Below(body.size() / 4), InterestingFloat(random));
    }

    std::string listBody(std::uint32_t type, std::uint32_t units, const std::vector<float> &values)
    {
        std::string body;
        AppendU32(body, type);
        AppendU32(body, units);
        for (const float value : values)
            AppendF32(body, value);
        return body;
    }

    // ORGN: a count, then per origin its type, units, a 16-byte label and one double per spectrum.
    std::string originBody(Random &random, std::size_t spectra, std::uint32_t origins)
    {
        std::string body;
        AppendU32(body, origins);
        for (std::uint32_t o = 0; o < origins; ++o) {
            AppendU32(
                body, static_cast<std::uint32_t>(random.Below(6)) | (o < 2 ? 0x80000000U : 0));
            AppendU32(body, static_cast<std::uint32_t>(random.Below(12)));
            std::string label = o == 0 ? "X" : o == 1 ? "Y" : "Time";
            label.resize(16, '\0');
            body += label;
            for (std::size_t s = 0; s < spectra; ++s)
                AppendF64(body, random.OneIn(16) ? InterestingDouble(random) : 10.0 * s);
        }
        return body;
    }

    // WMAP: flags, a spare word, location and step (3 floats each), the counts along x, y and z and
    // the line focus size.
    std::string mapBody(Random &random, std::size_t spectra)
    {
        std::string body;
        AppendU32(body, static_cast<std::uint32_t>(random.Below(8)));
        AppendU32(body, 0);
        for (int i = 0; i < 6; ++i)
            AppendF32(body, static_cast<float>(random.Uniform(-100, 100)));
        AppendU32(body, static_cast<std::uint32_t>(spectra));
        AppendU32(body, 1);
        AppendU32(body, 1);
        AppendU32(body, 0);
        return body;
    }

} // namespace

bool WdfFile::Parse(std::string_view bytes, WdfFile &file)
{
    if (bytes.size() < 4 || bytes.substr(0, 4) != "WDF1")
        return false;
    file = WdfFile();
    file.Header = std::string(bytes.substr(0, kWdfHeaderBytes));
    file.Header.resize(kWdfHeaderBytes, '\0');
    std::size_t at = kWdfHeaderBytes;
    while (at + kBlockHeaderBytes <= bytes.size()) {
        WdfBlock block;
        block.Name = std::string(bytes.substr(at, 4));
        block.Id = GetU32(bytes, at + 4);
        const std::uint64_t size = GetU64(bytes, at + 8);
        const std::size_t left = bytes.size() - at;
        if (size < kBlockHeaderBytes || size > left) {
            block.Body = std::string(bytes.substr(at + kBlockHeaderBytes));
            block.KeepSize = true;
            block.SizeField = size;
            file.Blocks.push_back(std::move(block));
            return true;
        }
        block.Body = std::string(bytes.substr(at + kBlockHeaderBytes, size - kBlockHeaderBytes));
        file.Blocks.push_back(std::move(block));
        at += size;
    }
    if (at < bytes.size())
        file.Tail = std::string(bytes.substr(at));
    return true;
}

std::string WdfFile::Serialise() const
{
    std::string bytes = Header;
    for (const WdfBlock &block : Blocks) {
        std::string head = block.Name;
        head.resize(4, ' ');
        head.resize(kBlockHeaderBytes, '\0');
        PutU32(head, 4, block.Id);
        PutU64(head, 8, block.KeepSize ? block.SizeField : kBlockHeaderBytes + block.Body.size());
        bytes += head;
        bytes += block.Body;
    }
    return bytes + Tail;
}

WdfFile GenerateWdf(Random &random)
{
    const auto points = static_cast<std::size_t>(
        random.OneIn(8) ? random.Between(100, 400) : random.Between(1, 40));
    const auto capacity = static_cast<std::size_t>(
        points <= 8 && random.OneIn(6) ? random.Between(90, 99) : random.Between(1, 6));
    const std::size_t collected =
        random.OneIn(4) ? static_cast<std::size_t>(random.Between(1, capacity)) : capacity;

    WdfFile file;
    file.Header.assign(kWdfHeaderBytes, '\0');
    file.Header.replace(0, 4, "WDF1");
    PutU32(file.Header, kVersionAt, 1);
    PutU64(file.Header, kHeaderSizeAt, kWdfHeaderBytes);
    PutU64(file.Header, kFlagsAt, random.Pick<std::uint64_t>({ 0, 0, 1, 2, 4, 8 }));
    PutU32(file.Header, kTracksAt, 1);
    PutU32(file.Header, kPointsAt, static_cast<std::uint32_t>(points));
    PutU64(file.Header, kCapacityAt, capacity);
    PutU64(file.Header, kCollectedAt, collected);
    PutU32(file.Header, kAccumulationsAt, 1);
    PutU32(file.Header, kYCountAt, 1);
    PutU32(file.Header, kXCountAt, static_cast<std::uint32_t>(points));
    file.Header.replace(kAppNameAt, 14, "Peakhound fuzz");
    PutU32(file.Header, kMeasurementTypeAt, capacity == 1 ? 1 : random.OneIn(2) ? 2 : 3);
    PutU32(file.Header, kYUnitsAt, random.Pick<std::uint32_t>({ 0, 6, 6, 1, 13, 17 }));
    PutF32(file.Header, kLaserAt, 18796.99F);
    setTitle(file.Header, random.OneIn(3) ? InterestingText(random, kTitleBytes) : "Calcite");

    std::string data;
    for (std::size_t s = 0; s < capacity * points; ++s)
        AppendF32(data,
            s >= collected * points ? 0.0F
                : random.OneIn(50)  ? InterestingFloat(random)
                                    : static_cast<float>(random.Uniform(0, 60000)));
    file.Blocks.push_back(makeBlock("DATA", data));

    std::vector<float> x(points);
    const double start = random.Uniform(50, 3000);
    const double step = random.Uniform(0.2, 3) * (random.OneIn(2) ? 1 : -1);
    for (std::size_t i = 0; i < points; ++i)
        x[i] = static_cast<float>(start + step * static_cast<double>(i));
    const std::uint32_t xUnits = random.Pick<std::uint32_t>({ 0, 1, 1, 2, 3, 4, 5, 99 });
    file.Blocks.push_back(makeBlock("XLST", listBody(1, xUnits, x)));
    if (!random.OneIn(4))
        file.Blocks.push_back(makeBlock("YLST", listBody(0, 0, { 0.0F })));
    if (capacity > 1 && random.OneIn(2)) {
        const auto origins = static_cast<std::uint32_t>(random.Between(1, 5));
        PutU32(file.Header, kOriginCountAt, origins);
        file.Blocks.push_back(makeBlock("ORGN", originBody(random, capacity, origins)));
    }
    if (capacity > 1 && random.OneIn(3))
        file.Blocks.push_back(makeBlock("WMAP", mapBody(random, capacity)));
    if (random.OneIn(2))
        file.Blocks.push_back(makeBlock("TEXT", InterestingText(random, 120)));
    for (std::size_t i = file.Blocks.size(); i > 1; --i)
        std::swap(file.Blocks[i - 1], file.Blocks[random.Below(i)]);
    for (std::size_t i = 0; i < file.Blocks.size(); ++i)
        file.Blocks[i].Id = static_cast<std::uint32_t>(random.OneIn(4) ? i : 0);
    return file;
}

void MutateWdf(WdfFile &file, Random &random, const ByteMutator &mutate)
{
    const std::size_t blocks = file.Blocks.size();
    const std::size_t picked = blocks > 0 ? random.Below(blocks) : 0;
    WdfBlock *block = blocks > 0 ? &file.Blocks[picked] : nullptr;
    switch (random.Below(16)) {
    case 0:
        if (block != nullptr) {
            mutate(block->Body, block->Body.size() * 2 + 64);
            break;
        }
        [[fallthrough]];
    case 1:
        MutateFixed(file.Header, mutate);
        break;
    case 2: {
        const Field field = random.Pick(kCountFields);
        const std::uint64_t present =
            field.Bytes == 8 ? GetU64(file.Header, field.At) : GetU32(file.Header, field.At);
        const std::uint64_t value = InterestingCount(random, present, field.Bytes);
        if (field.Bytes == 8)
            PutU64(file.Header, field.At, value);
        else
            PutU32(file.Header, field.At, static_cast<std::uint32_t>(value));
        break;
    }
    case 3:
        matchHeaderToBlocks(file, random);
        break;
    case 4:
        resizePoints(file,
            static_cast<std::size_t>(
                random.OneIn(8) ? random.Between(9990, 10010) : random.Between(1, 64)),
            random);
        break;
    case 5:
        changeSpectra(file, random);
        break;
    case 6:
        if (block != nullptr)
            file.Blocks.erase(file.Blocks.begin() + static_cast<std::ptrdiff_t>(picked));
        break;
    case 7:
        if (block != nullptr) {
            const WdfBlock copy = *block;
            file.Blocks.insert(
                file.Blocks.begin() + static_cast<std::ptrdiff_t>(random.Below(blocks + 1)), copy);
        }
        break;
    case 8:
        if (blocks > 1)
            std::swap(*block, file.Blocks[random.Below(blocks)]);
        break;
    case 9: {
        std::string body(random.Below(64), '\0');
        mutate(body, 256);
        file.Blocks.insert(
            file.Blocks.begin() + static_cast<std::ptrdiff_t>(random.Below(blocks + 1)),
            makeBlock(random.Pick(kBlockNames), body));
        break;
    }
    case 10:
        if (block != nullptr) {
            // A known name, or one with a byte the reader does not allow in a name.
            block->Name = random.Pick(kBlockNames);
            if (random.OneIn(3))
                block->Name[random.Below(4)] =
                    random.Pick<char>({ 'a', '_', '\0', '@', '[', '\xC4' });
        }
        break;
    case 11:
        if (block != nullptr) {
            const std::uint64_t size = kBlockHeaderBytes + block->Body.size();
            block->KeepSize = true;
            block->SizeField = random.OneIn(2)
                ? InterestingCount(random, size, 8)
                : size + static_cast<std::uint64_t>(random.Between(-17, 17));
        }
        break;
    case 12:
        putSpecialValue(file, random);
        break;
    case 13: {
        const std::size_t x = findBlock(file, "XLST");
        if (x < blocks && file.Blocks[x].Body.size() >= kListPreambleBytes)
            PutU32(file.Blocks[x].Body, random.Below(2) * 4,
                static_cast<std::uint32_t>(random.Below(20)));
        else
            PutU32(file.Header, kYUnitsAt, static_cast<std::uint32_t>(random.Below(20)));
        break;
    }
    case 14:
        setTitle(file.Header, InterestingText(random, kTitleBytes));
        break;
    default:
        if (random.OneIn(2) || file.Tail.empty())
            file.Tail.append(1 + random.Below(20), static_cast<char>(random.Below(256)));
        else
            file.Tail.clear();
        break;
    }
}

WdfFile CrossOverWdf(const WdfFile &first, const WdfFile &second, Random &random)
{
    WdfFile child;
    child.Header = random.OneIn(2) ? first.Header : second.Header;
    const std::size_t fromFirst = random.Below(first.Blocks.size() + 1);
    const std::size_t fromSecond = random.Below(second.Blocks.size() + 1);
    child.Blocks.assign(
        first.Blocks.begin(), first.Blocks.begin() + static_cast<std::ptrdiff_t>(fromFirst));
    child.Blocks.insert(child.Blocks.end(),
        second.Blocks.begin() + static_cast<std::ptrdiff_t>(fromSecond), second.Blocks.end());
    return child;
}

void PokeWdfField(std::string &bytes, Random &random)
{
    if (bytes.size() < kWdfHeaderBytes)
        return;
    // A block's size field, found by walking the chain as the reader does.
    std::vector<std::size_t> sizeFields;
    for (std::size_t at = kWdfHeaderBytes; at + kBlockHeaderBytes <= bytes.size();) {
        sizeFields.push_back(at + 8);
        const std::uint64_t size = GetU64(bytes, at + 8);
        if (size < kBlockHeaderBytes || size > bytes.size() - at)
            break;
        at += static_cast<std::size_t>(size);
    }
    if (!sizeFields.empty() && random.OneIn(2)) {
        const std::size_t at = random.Pick(sizeFields);
        PutU64(bytes, at, InterestingCount(random, GetU64(bytes, at), 8));
        return;
    }
    const Field field = random.Pick(kCountFields);
    if (field.Bytes == 8)
        PutU64(bytes, field.At, InterestingCount(random, GetU64(bytes, field.At), 8));
    else
        PutU32(bytes, field.At,
            static_cast<std::uint32_t>(InterestingCount(random, GetU32(bytes, field.At), 4)));
}

} // namespace fuzz

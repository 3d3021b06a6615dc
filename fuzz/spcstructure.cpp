#include "spcstructure.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace fuzz
{

namespace
{

    // Main header fields.
    constexpr std::size_t kFlagsAt = 0;
    constexpr std::size_t kVersionAt = 1;
    constexpr std::size_t kExponentAt = 3;
    constexpr std::size_t kPointsAt = 4; // XYXY: the directory's offset, 0 for none
    constexpr std::size_t kFirstAt = 8;
    constexpr std::size_t kLastAt = 16;
    constexpr std::size_t kSubfilesAt = 24;
    constexpr std::size_t kXTypeAt = 28;
    constexpr std::size_t kYTypeAt = 29;
    constexpr std::size_t kZTypeAt = 30;
    constexpr std::size_t kMemoAt = 88;
    constexpr std::size_t kMemoBytes = 130;
    constexpr std::size_t kCaptionsAt = 218;
    constexpr std::size_t kLogAt = 248;

    // Subfile header fields.
    constexpr std::size_t kSubExponentAt = 1;
    constexpr std::size_t kSubIndexAt = 2;
    constexpr std::size_t kSubPointsAt = 16;

    constexpr std::size_t kDirectoryEntryBytes = 12;
    constexpr std::size_t kLogHeaderBytes = 64;

    constexpr std::uint8_t kShortY = 0x01;
    constexpr std::uint8_t kMulti = 0x04;
    constexpr std::uint8_t kTextLabels = 0x20;
    constexpr std::uint8_t kXyxy = 0x40;
    constexpr std::uint8_t kXValues = 0x80;
    constexpr std::uint8_t kNewLittleEndian = 0x4B;
    constexpr std::uint8_t kFloatExponent = 0x80;

    // At most this many subfiles are taken from a file whose count is damaged.
    constexpr std::size_t kMaxParsedSubfiles = 200;

    std::uint8_t flags(const SpcFile &file)
    {
        return static_cast<std::uint8_t>(file.Header[kFlagsAt]);
    }

    std::size_t yWidth(const SpcFile &file)
    {
        return (flags(file) & kShortY) != 0 ? 2 : 4;
    }

    bool has(const SpcFile &file, std::uint8_t flag)
    {
        return (flags(file) & flag) != 0;
    }

    // `length` bytes from `at`, as far as the input has them, padded with zeros.
    std::string slice(std::string_view bytes, std::size_t at, std::size_t length)
    {
        std::string part(at < bytes.size() ? bytes.substr(at, length) : std::string_view());
        part.resize(length, '\0');
        return part;
    }

    std::int32_t i32(std::string_view bytes, std::size_t at)
    {
        return static_cast<std::int32_t>(GetU32(bytes, at));
    }

    // Points of a file with common x, from its arrays.
    std::size_t commonPoints(const SpcFile &file)
    {
        if (has(file, kXValues) && file.X.size() >= 4)
            return file.X.size() / 4;
        if (!file.Subfiles.empty())
            return std::max<std::size_t>(1, file.Subfiles[0].Y.size() / yWidth(file));
        return 1;
    }

    SpcSubfile makeSubfile(std::uint8_t exponent)
    {
        SpcSubfile subfile;
        subfile.Header.assign(kSpcSubHeaderBytes, '\0');
        PutU8(subfile.Header, kSubExponentAt, exponent);
        return subfile;
    }

    std::string yValues(Random &random, std::size_t points, std::size_t width, bool floats)
    {
        std::string y(width * points, '\0');
        for (std::size_t i = 0; i < points; ++i) {
            if (width == 2)
                PutU16(y, 2 * i, static_cast<std::uint16_t>(random.Bits()));
            else if (floats)
                PutF32(y, 4 * i,
                    random.OneIn(50) ? InterestingFloat(random)
                                     : static_cast<float>(random.Uniform(0, 60000)));
            else
                PutU32(y, 4 * i, static_cast<std::uint32_t>(random.Bits()));
        }
        return y;
    }

    std::string xValues(Random &random, std::size_t points)
    {
        const double start = random.Uniform(50, 3000);
        const double step = random.Uniform(0.2, 3) * (random.OneIn(2) ? 1 : -1);
        std::string x;
        for (std::size_t i = 0; i < points; ++i)
            AppendF32(x, static_cast<float>(start + step * static_cast<double>(i)));
        return x;
    }

    // A log block: its header (block size, memory size, text offset, binary size), a binary part
    // and "key=value" lines.
    std::string logBlock(Random &random)
    {
        const std::string binary(random.Below(3) * 16, '\x5A');
        std::string text = "Exposure=3000\r\nAccumulations=7\r\n";
        if (random.OneIn(3))
            text += InterestingText(random, 60);
        std::string block(kLogHeaderBytes, '\0');
        const std::size_t total = kLogHeaderBytes + binary.size() + text.size() + 1;
        PutU32(block, 0, static_cast<std::uint32_t>(total));
        PutU32(block, 4, static_cast<std::uint32_t>((total + 4095) / 4096 * 4096));
        PutU32(block, 8, static_cast<std::uint32_t>(kLogHeaderBytes + binary.size()));
        PutU32(block, 12, static_cast<std::uint32_t>(binary.size()));
        return block + binary + text + '\0';
    }

    std::uint8_t interestingExponent(Random &random)
    {
        return random.Pick<std::uint8_t>({ kFloatExponent, 0, 1, 15, 16, 17, 31, 32, 33, 127, 0x81,
            0xF0, static_cast<std::uint8_t>(random.Bits()) });
    }

    // Turns a flag on or off together with the arrays it implies.
    void toggleFlag(SpcFile &file, Random &random)
    {
        const std::uint8_t flag = random.Pick<std::uint8_t>(
            { kShortY, 0x02, kMulti, 0x08, 0x10, kTextLabels, kXyxy, kXValues });
        const bool on = !has(file, flag);
        PutU8(file.Header, kFlagsAt, static_cast<std::uint8_t>(flags(file) ^ flag));
        if (flag == kXyxy && on) {
            PutU8(file.Header, kFlagsAt, static_cast<std::uint8_t>(flags(file) | kXValues));
            const std::string x = file.X.empty() ? xValues(random, commonPoints(file)) : file.X;
            for (SpcSubfile &subfile : file.Subfiles)
                subfile.X = x;
            file.X.clear();
        } else if (flag == kXyxy && !on && !file.Subfiles.empty()) {
            file.X = file.Subfiles[0].X;
            for (SpcSubfile &subfile : file.Subfiles)
                subfile.X.clear();
        } else if (flag == kXValues && on && !has(file, kXyxy)) {
            file.X = xValues(random, commonPoints(file));
        } else if (flag == kMulti && !on && file.Subfiles.size() > 1 && !random.OneIn(4)) {
            file.Subfiles.resize(1);
        }
    }

    void resizePoints(SpcFile &file, std::size_t points, Random &random)
    {
        const std::size_t width = yWidth(file);
        if (has(file, kXyxy)) {
            // All subfiles alike, or one of them alone (then its x differs from the others').
            const bool one = random.OneIn(3) && !file.Subfiles.empty();
            const std::size_t only = one ? random.Below(file.Subfiles.size()) : 0;
            for (std::size_t s = 0; s < file.Subfiles.size(); ++s) {
                if (one && s != only)
                    continue;
                file.Subfiles[s].X.resize(4 * points, '\0');
                file.Subfiles[s].Y.resize(width * points, '\0');
            }
            return;
        }
        if (has(file, kXValues))
            file.X.resize(4 * points, '\0');
        for (SpcSubfile &subfile : file.Subfiles)
            subfile.Y.resize(width * points, '\0');
    }

    void changeSubfiles(SpcFile &file, Random &random)
    {
        const std::size_t count = file.Subfiles.size();
        const std::size_t picked = random.Below(count);
        switch (random.Below(4)) {
        case 0:
            if (count > 1)
                file.Subfiles.erase(file.Subfiles.begin() + static_cast<std::ptrdiff_t>(picked));
            break;
        case 1:
            if (count > 1)
                std::swap(file.Subfiles[picked], file.Subfiles[random.Below(count)]);
            break;
        case 2:
            // Up to the table's limit of 99 and one past it, where the subfiles are short.
            if (file.Subfiles[0].Y.size() <= 64 && count < 100) {
                const std::size_t target = static_cast<std::size_t>(random.Between(98, 100));
                while (file.Subfiles.size() < target)
                    file.Subfiles.push_back(file.Subfiles[random.Below(count)]);
                break;
            }
            [[fallthrough]];
        default:
            file.Subfiles.insert(
                file.Subfiles.begin() + static_cast<std::ptrdiff_t>(random.Below(count + 1)),
                file.Subfiles[picked]);
            break;
        }
        PutU8(file.Header, kFlagsAt,
            static_cast<std::uint8_t>(
                file.Subfiles.size() > 1 || random.OneIn(2) ? flags(file) | kMulti : flags(file)));
    }

    void putSpecialValue(SpcFile &file, Random &random)
    {
        SpcSubfile &subfile = file.Subfiles[random.Below(file.Subfiles.size())];
        std::string &values = random.OneIn(2) ? subfile.Y : has(file, kXyxy) ? subfile.X : file.X;
        if (values.size() >= 4)
            PutF32(values, 4 * random.Below(values.size() / 4), InterestingFloat(random));
    }

} // namespace

bool SpcFile::Parse(std::string_view bytes, SpcFile &file)
{
    if (bytes.size() < 2)
        return false;
    const auto version = static_cast<std::uint8_t>(bytes[kVersionAt]);
    if (version != kNewLittleEndian && version != 0x4C && version != 0x4D)
        return false;
    file = SpcFile();
    file.Header = slice(bytes, 0, kSpcHeaderBytes);
    const std::size_t size = std::max(bytes.size(), kSpcHeaderBytes);
    const std::size_t width = yWidth(file);
    const std::int32_t headerPoints = i32(file.Header, kPointsAt);
    const std::int32_t headerSubfiles = i32(file.Header, kSubfilesAt);
    std::size_t count = has(file, kMulti)
        ? static_cast<std::size_t>(std::clamp<std::int32_t>(headerSubfiles, 1, kMaxParsedSubfiles))
        : 1;
    std::size_t at = kSpcHeaderBytes;
    if (has(file, kXyxy)) {
        for (std::size_t s = 0; s < count && at + kSpcSubHeaderBytes <= size; ++s) {
            SpcSubfile subfile;
            subfile.Header = slice(bytes, at, kSpcSubHeaderBytes);
            at += kSpcSubHeaderBytes;
            const std::size_t room = (size - at) / (4 + width);
            const std::int32_t stated = i32(subfile.Header, kSubPointsAt);
            const std::size_t points = stated >= 1 && static_cast<std::size_t>(stated) <= room
                ? static_cast<std::size_t>(stated)
                : std::max<std::size_t>(room, 1);
            subfile.X = slice(bytes, at, 4 * points);
            subfile.Y = slice(bytes, at + 4 * points, width * points);
            at += (4 + width) * points;
            file.Subfiles.push_back(std::move(subfile));
        }
        file.Directory = headerPoints != 0;
        if (file.Directory && static_cast<std::size_t>(headerPoints) == at)
            at += kDirectoryEntryBytes * file.Subfiles.size();
    } else {
        // Counts that do not fit the bytes give way to the most that do.
        const std::size_t room = size - at;
        count = std::min(count, std::max<std::size_t>(1, room / (kSpcSubHeaderBytes + width)));
        const std::size_t perPoint = (has(file, kXValues) ? 4 : 0) + count * width;
        const std::size_t fixed = count * kSpcSubHeaderBytes;
        std::size_t points = headerPoints >= 1 ? static_cast<std::size_t>(headerPoints) : 0;
        if (points == 0 || fixed + points * perPoint > room)
            points = std::max<std::size_t>(1, room > fixed ? (room - fixed) / perPoint : 1);
        if (has(file, kXValues)) {
            file.X = slice(bytes, at, 4 * points);
            at += 4 * points;
        }
        for (std::size_t s = 0; s < count; ++s) {
            SpcSubfile subfile;
            subfile.Header = slice(bytes, at, kSpcSubHeaderBytes);
            subfile.Y = slice(bytes, at + kSpcSubHeaderBytes, width * points);
            at += kSpcSubHeaderBytes + width * points;
            file.Subfiles.push_back(std::move(subfile));
        }
    }
    if (file.Subfiles.empty())
        file.Subfiles.push_back(makeSubfile(0));
    const std::size_t log = GetU32(file.Header, kLogAt);
    if (at < bytes.size()) {
        const std::size_t gapEnd = log >= at && log < bytes.size() ? log : bytes.size();
        file.Gap = std::string(bytes.substr(at, gapEnd - at));
        file.Log = std::string(bytes.substr(gapEnd));
    }
    return true;
}

void SpcFile::Normalise()
{
    if (Header.size() != kSpcHeaderBytes)
        Header.resize(kSpcHeaderBytes, '\0');
    if (Subfiles.empty())
        Subfiles.push_back(makeSubfile(static_cast<std::uint8_t>(Header[kExponentAt])));
    const std::size_t width = yWidth(*this);
    for (SpcSubfile &subfile : Subfiles)
        subfile.Header.resize(kSpcSubHeaderBytes, '\0');
    if (has(*this, kXyxy)) {
        X.clear();
        for (SpcSubfile &subfile : Subfiles) {
            const std::size_t points = std::max<std::size_t>(1, subfile.X.size() / 4);
            subfile.X.resize(4 * points, '\0');
            subfile.Y.resize(width * points, '\0');
        }
        return;
    }
    const std::size_t points = commonPoints(*this);
    X.resize(has(*this, kXValues) ? 4 * points : 0, '\0');
    for (SpcSubfile &subfile : Subfiles) {
        subfile.X.clear();
        subfile.Y.resize(width * points, '\0');
    }
}

std::string SpcFile::Serialise() const
{
    std::string bytes = Header;
    const bool xyxy = has(*this, kXyxy);
    std::vector<std::size_t> positions;
    bytes += X;
    for (std::size_t s = 0; s < Subfiles.size(); ++s) {
        positions.push_back(bytes.size());
        std::string head = Subfiles[s].Header;
        PutU16(head, kSubIndexAt, static_cast<std::uint16_t>(s));
        // subnpts: required in XYXY files, and 0 or the count elsewhere (as writers leave it).
        const std::size_t points = xyxy ? Subfiles[s].X.size() / 4 : commonPoints(*this);
        if (xyxy || GetU32(head, kSubPointsAt) != 0)
            PutU32(head, kSubPointsAt, static_cast<std::uint32_t>(points));
        bytes += head + Subfiles[s].X + Subfiles[s].Y;
    }
    std::uint32_t pointsField = static_cast<std::uint32_t>(commonPoints(*this));
    if (xyxy) {
        pointsField = Directory ? static_cast<std::uint32_t>(bytes.size()) : 0;
        for (std::size_t s = 0; Directory && s < Subfiles.size(); ++s) {
            std::string entry(kDirectoryEntryBytes, '\0');
            PutU32(entry, 0, static_cast<std::uint32_t>(positions[s]));
            PutU32(entry, 4,
                static_cast<std::uint32_t>(
                    kSpcSubHeaderBytes + Subfiles[s].X.size() + Subfiles[s].Y.size()));
            PutF32(entry, 8, static_cast<float>(s));
            bytes += entry;
        }
    }
    PutU32(bytes, kPointsAt, pointsField);
    const std::uint32_t stated = GetU32(Header, kSubfilesAt);
    const bool single = !has(*this, kMulti) && Subfiles.size() == 1 && stated <= 1;
    PutU32(bytes, kSubfilesAt, single ? stated : static_cast<std::uint32_t>(Subfiles.size()));
    bytes += Gap;
    PutU32(bytes, kLogAt, Log.empty() ? 0 : static_cast<std::uint32_t>(bytes.size()));
    return bytes + Log;
}

SpcFile GenerateSpc(Random &random)
{
    enum Layout { Even, Explicit, OwnX };
    const auto layout = static_cast<Layout>(random.Below(3));
    const bool multi = layout == OwnX ? !random.OneIn(4) : random.OneIn(2);
    const std::size_t yFormat = random.Below(3); // float32, int32, int16
    const auto points = static_cast<std::size_t>(
        random.OneIn(8) ? random.Between(100, 600) : random.Between(1, 48));
    const auto subfiles = static_cast<std::size_t>(!multi ? 1
            : points <= 8 && random.OneIn(6)              ? random.Between(90, 99)
                                                          : random.Between(2, 6));

    SpcFile file;
    file.Header.assign(kSpcHeaderBytes, '\0');
    std::uint8_t flagBits = yFormat == 2 ? kShortY : 0;
    flagBits |= multi ? kMulti : 0;
    flagBits |= layout == Explicit ? kXValues : layout == OwnX ? kXyxy | kXValues : 0;
    flagBits |= random.OneIn(4) ? kTextLabels : 0;
    flagBits |= random.OneIn(4) ? random.Pick<std::uint8_t>({ 0x02, 0x08, 0x10 }) : 0;
    PutU8(file.Header, kFlagsAt, flagBits);
    PutU8(file.Header, kVersionAt, kNewLittleEndian);
    const auto integerExponent = static_cast<std::uint8_t>(random.Between(-4, 40));
    const std::uint8_t exponent = yFormat == 0 ? kFloatExponent : integerExponent;
    PutU8(file.Header, kExponentAt, exponent);
    const double first = random.Uniform(50, 3000);
    const double last = random.OneIn(8) ? first : random.Uniform(50, 3000);
    PutF64(file.Header, kFirstAt, first);
    PutF64(file.Header, kLastAt, points == 1 ? first : last);
    PutU32(file.Header, kSubfilesAt, static_cast<std::uint32_t>(subfiles));
    PutU8(file.Header, kXTypeAt, random.Pick<std::uint8_t>({ 1, 3, 13, 13, 0, 30, 255 }));
    PutU8(file.Header, kYTypeAt, random.Pick<std::uint8_t>({ 2, 4, 12, 13, 128, 129, 0, 26, 131 }));
    PutU8(file.Header, kZTypeAt, random.Pick<std::uint8_t>({ 0, 1, 6 }));
    const std::string memo = random.OneIn(3) ? InterestingText(random, kMemoBytes) : "Calcite";
    file.Header.replace(kMemoAt, memo.size(), memo);
    if ((flagBits & kTextLabels) != 0)
        file.Header.replace(kCaptionsAt, 19, std::string("Raman shift\0Counts", 19));

    const std::string x = layout == Even ? std::string() : xValues(random, points);
    if (layout == Explicit)
        file.X = x;
    for (std::size_t s = 0; s < subfiles; ++s) {
        // A multifile's subfiles may mix float and integer y; 16-bit y is never float.
        const bool floatY = yFormat == 0 || (yFormat == 1 && multi && random.OneIn(3));
        SpcSubfile subfile = makeSubfile(floatY ? kFloatExponent : integerExponent);
        if (layout == OwnX)
            subfile.X = x;
        else if (random.OneIn(2))
            PutU32(subfile.Header, kSubPointsAt, static_cast<std::uint32_t>(points));
        subfile.Y = yValues(random, points, yFormat == 2 ? 2 : 4, floatY);
        file.Subfiles.push_back(std::move(subfile));
    }
    file.Directory = layout == OwnX && random.OneIn(2);
    if (random.OneIn(3))
        file.Log = logBlock(random);
    return file;
}

void MutateSpc(SpcFile &file, Random &random, const ByteMutator &mutate)
{
    file.Normalise();
    SpcSubfile &subfile = file.Subfiles[random.Below(file.Subfiles.size())];
    switch (random.Below(17)) {
    case 0:
        MutateFixed(file.Header, mutate);
        break;
    case 1:
        mutate(subfile.Y, subfile.Y.size() * 2 + 16);
        break;
    case 2:
        if (has(file, kXyxy))
            mutate(subfile.X, subfile.X.size() * 2 + 16);
        else
            mutate(file.X, file.X.size() * 2 + 16);
        break;
    case 3:
        toggleFlag(file, random);
        break;
    case 4:
        PutU8(random.OneIn(2) ? file.Header : subfile.Header,
            random.OneIn(2) ? kExponentAt : kSubExponentAt, interestingExponent(random));
        break;
    case 5:
        PutU8(file.Header, kXTypeAt + random.Below(3),
            random.Pick<std::uint8_t>({ 0, 1, 3, 13, 26, 27, 30, 31, 127, 128, 129, 131, 132, 254,
                255, static_cast<std::uint8_t>(random.Bits()) }));
        break;
    case 6:
        switch (random.Below(3)) {
        case 0:
            PutF64(file.Header, random.OneIn(2) ? kFirstAt : kLastAt, InterestingDouble(random));
            break;
        case 1:
            file.Header.replace(kFirstAt, 8, file.Header.substr(kLastAt, 8));
            break;
        default:
            std::swap_ranges(file.Header.begin() + kFirstAt, file.Header.begin() + kLastAt,
                file.Header.begin() + kLastAt);
            break;
        }
        break;
    case 7:
        resizePoints(file,
            static_cast<std::size_t>(random.OneIn(8) && file.Subfiles.size() < 4
                    ? random.Between(9990, 10010)
                    : random.Between(1, 64)),
            random);
        break;
    case 8:
        changeSubfiles(file, random);
        break;
    case 9:
        // XYXY: the same x in every subfile, or one value apart in one of them.
        if (random.OneIn(2)) {
            for (SpcSubfile &other : file.Subfiles)
                other.X = file.Subfiles[0].X;
        } else if (subfile.X.size() >= 4) {
            subfile.X[random.Below(subfile.X.size())] ^= 1;
        }
        break;
    case 10:
        file.Directory = !file.Directory;
        break;
    case 11:
        if (file.Log.empty() || random.OneIn(3))
            file.Log = file.Log.empty() ? logBlock(random) : std::string();
        else
            mutate(file.Log, file.Log.size() * 2 + 64);
        break;
    case 12: {
        std::fill(file.Header.begin() + kMemoAt, file.Header.begin() + kMemoAt + kMemoBytes, '\0');
        const std::string memo = InterestingText(random, kMemoBytes);
        file.Header.replace(kMemoAt, memo.size(), memo);
        break;
    }
    case 13:
        PutU8(file.Header, kVersionAt,
            random.Pick<std::uint8_t>({ kNewLittleEndian, 0x4C, 0x4D, 0x4A }));
        break;
    case 14:
        putSpecialValue(file, random);
        break;
    case 15:
        if (random.OneIn(2))
            MutateFixed(subfile.Header, mutate);
        else
            PutU32(subfile.Header, kSubPointsAt,
                static_cast<std::uint32_t>(
                    InterestingCount(random, GetU32(subfile.Header, kSubPointsAt), 4)));
        break;
    default:
        if (random.OneIn(2) || file.Gap.empty())
            file.Gap.append(1 + random.Below(20), static_cast<char>(random.Below(256)));
        else
            file.Gap.clear();
        break;
    }
    file.Normalise();
}

SpcFile CrossOverSpc(const SpcFile &first, const SpcFile &second, Random &random)
{
    SpcFile child = first;
    switch (random.Below(3)) {
    case 0:
        child.Header = second.Header;
        break;
    case 1:
        child.Subfiles.insert(child.Subfiles.begin()
                + static_cast<std::ptrdiff_t>(random.Below(child.Subfiles.size() + 1)),
            second.Subfiles[random.Below(second.Subfiles.size())]);
        break;
    default:
        child.Log = second.Log;
        child.Gap = second.Gap;
        break;
    }
    child.Normalise();
    return child;
}

void PokeSpcField(std::string &bytes, Random &random)
{
    if (bytes.size() < kSpcHeaderBytes)
        return;
    const std::uint8_t flagBits = static_cast<std::uint8_t>(bytes[kFlagsAt]);
    const std::size_t commonX =
        (flagBits & kXValues) != 0 && (flagBits & kXyxy) == 0 ? 4 * GetU32(bytes, kPointsAt) : 0;
    const std::size_t firstSubPoints = kSpcHeaderBytes + commonX + kSubPointsAt;
    switch (random.Below(6)) {
    case 0:
        PutU32(bytes, kPointsAt,
            static_cast<std::uint32_t>(InterestingCount(random, GetU32(bytes, kPointsAt), 4)));
        break;
    case 1:
        PutU32(bytes, kSubfilesAt,
            static_cast<std::uint32_t>(InterestingCount(random, GetU32(bytes, kSubfilesAt), 4)));
        break;
    case 2:
        PutU32(bytes, kLogAt,
            static_cast<std::uint32_t>(InterestingCount(random, GetU32(bytes, kLogAt), 4)));
        break;
    case 3:
        if (commonX < bytes.size() && firstSubPoints + 4 <= bytes.size()) {
            PutU32(bytes, firstSubPoints,
                static_cast<std::uint32_t>(
                    InterestingCount(random, GetU32(bytes, firstSubPoints), 4)));
            break;
        }
        [[fallthrough]];
    case 4: {
        // A directory entry's position, where the directory lies inside the file.
        const std::size_t directory = GetU32(bytes, kPointsAt);
        if ((flagBits & kXyxy) != 0 && directory != 0 && directory < bytes.size() - 4) {
            PutU32(bytes, directory,
                static_cast<std::uint32_t>(InterestingCount(random, GetU32(bytes, directory), 4)));
            break;
        }
        [[fallthrough]];
    }
    default:
        bytes.resize(bytes.size() - std::min(bytes.size(), 1 + random.Below(8)));
        break;
    }
}

} // namespace fuzz

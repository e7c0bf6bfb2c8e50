#include "tools/DriveLink.h"

#include <algorithm>

#include "tools/CarFields.h"

namespace
{

constexpr std::string_view kPrefix = "drive=";
constexpr long kHashEvery = 60; ///< steps: one state hash a second of drive
constexpr std::string_view kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// The records open with a byte (docs/tools.md): below kSettings a run of steps holding
// those keys, kSettings a set line, kHash the state hash after the step before it.
constexpr unsigned char kSettings = 32;
constexpr unsigned char kHash = 33;

/// Appends `v` as a LEB128 number.
void PutNumber(std::string& out, uint64_t v)
{
    for (; v > 0x7f; v >>= 7)
        out += static_cast<char>((v & 0x7f) | 0x80);
    out += static_cast<char>(v);
}

/// Appends the low `count` bytes of `v`, least significant first.
void PutBytes(std::string& out, uint64_t v, int count)
{
    for (int i = 0; i < count; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

/// CRC-32 as zlib computes it (reflected polynomial 0xedb88320).
uint32_t Crc32(std::string_view bytes)
{
    uint32_t crc = ~0u;
    for (const char c : bytes)
    {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

/// The records of `drive` (docs/tools.md): a run of steps is parted only where the keys
/// change, or a set line or a state hash the link keeps comes.
std::string Records(const Drive& drive)
{
    std::string out;
    const long steps = drive.Steps();
    auto settings = drive.settings.begin();
    auto check = drive.checks.begin();
    // The state hash after step `step`, where the link keeps one: after every 60th and the last.
    auto kept = [&](long step) -> const StateCheck* {
        while (check != drive.checks.end() && check->step < step)
            ++check;
        const bool keep = check != drive.checks.end() && check->step == step && (step % kHashEvery == 0 || step == steps);
        return keep ? &*check : nullptr;
    };
    auto setAt = [&](long step) { return settings != drive.settings.end() && settings->after == step; };
    for (long step = 0;; )
    {
        if (setAt(step))
        {
            out += static_cast<char>(kSettings);
            PutNumber(out, settings->fields.size());
            for (const FieldSetting& s : (settings++)->fields)
            {
                PutNumber(out, static_cast<uint64_t>(s.field - kCarFields.data()));
                PutBytes(out, s.bits, 4);
            }
        }
        if (step == steps)
            return out;
        long end = step + 1;
        while (end < steps && drive.keys[end] == drive.keys[step] && !kept(end) && !setAt(end))
            ++end;
        out += static_cast<char>(drive.keys[step]);
        PutNumber(out, static_cast<uint64_t>(end - step - 1));
        if (const StateCheck* hash = kept(end))
        {
            out += static_cast<char>(kHash);
            PutBytes(out, hash->hash, 8);
        }
        step = end;
    }
}

/// The bytes of a link's data from `at` to `end`: every read past the end fails.
struct CBytes
{
    const std::string& bytes;
    size_t at = 0, end = bytes.size();

    unsigned char Byte() { return at < end ? static_cast<unsigned char>(bytes[at++]) : (++at, 0); }

    /// A LEB128 number of at most 64 bits.
    bool Number(uint64_t& v)
    {
        v = 0;
        unsigned char b = 0x80;
        for (int shift = 0; shift < 64 && (b & 0x80) != 0; shift += 7)
            v |= static_cast<uint64_t>((b = Byte()) & 0x7f) << shift;
        return at <= end && (b & 0x80) == 0;
    }

    /// `count` bytes, least significant first.
    bool Fixed(uint64_t& v, int count)
    {
        v = 0;
        for (int i = 0; i < count; ++i)
            v |= static_cast<uint64_t>(Byte()) << (8 * i);
        return at <= end;
    }
};

/// Reads records into `drive` until their end; false, saying why, at the first that is wrong
/// or cut short.
bool ReadRecords(CBytes& in, Drive& drive, std::string& said)
{
    auto no = [&](const std::string& why) { return (said = "the link's drive " + why), false; };
    for (bool afterRun = false; in.at < in.end;)
    {
        const unsigned char tag = in.Byte();
        uint64_t more, count, index, bits, hash;
        if (tag < kSettings) // a run of steps
        {
            if (!in.Number(more))
                return no("is cut short in a run of steps");
            if (more >= static_cast<uint64_t>(kMostSteps - drive.Steps()))
                return no("is longer than " + LongestDrive());
            drive.keys.insert(drive.keys.end(), more + 1, tag);
        }
        else if (tag == kSettings)
        {
            if (!in.Number(count) || count > kCarFieldCount)
                return no("is cut short in a set line");
            for (uint64_t i = 0; i < count; ++i)
            {
                if (!in.Number(index) || !in.Fixed(bits, 4) || index >= kCarFieldCount || !kCarFields[index].settable)
                    return no("sets a field that cannot be set, or is cut short");
                if (!SettableBits(kCarFields[index], static_cast<uint32_t>(bits)))
                    return no(std::string("gives ") + kCarFields[index].name + " a value that is no number");
                AddSetting(drive, FieldSetting{&kCarFields[index], static_cast<uint32_t>(bits)});
            }
        }
        else if (tag != kHash)
            return no("holds a record this build does not know: " + ShownCharacter(static_cast<char>(tag)));
        else if (!afterRun || (!drive.checks.empty() && drive.checks.back().step == drive.Steps()) || !in.Fixed(hash, 8))
            return no("holds a state hash of no step");
        else
            AddCheck(drive, hash);
        afterRun = tag < kSettings;
    }
    return true;
}

/// ReadDriveLink of a fragment, leaving in `drive` what it read before a refusal.
bool ReadFragment(std::string_view fragment, Drive& drive, std::string& said)
{
    const size_t dot = fragment.find('.');
    const std::string version(fragment.substr(0, kPrefix.size()) == kPrefix && dot != std::string_view::npos
                                  ? fragment.substr(kPrefix.size(), dot - kPrefix.size()) : "");
    if (version.empty() || version.find_first_not_of("0123456789") != std::string::npos)
        return (said = "the link holds no drive"), false;
    if (version != "1" && version != "2")
        return (said = "the link's drive is of version " + version.substr(0, 12) +
                       " of its format; this build reads versions 1 and 2"), false;

    // The data, decoded from base64url; the bits of its last digit past its last byte are 0,
    // as written.
    std::string bytes;
    uint32_t group = 0;
    int bits = 0;
    for (const char c : fragment.substr(dot + 1))
    {
        if (kDigits.find(c) == std::string_view::npos)
            return (said = "the link holds a character that is not base64url: " + ShownCharacter(c)), false;
        group = group << 6 | static_cast<uint32_t>(kDigits.find(c));
        if ((bits += 6) >= 8)
            bytes += static_cast<char>(group >> (bits -= 8));
    }
    const bool exact = bits < 6 && (group & ((1u << bits) - 1)) == 0;
    CBytes in{bytes};
    if (version == "1")
        return ReadRecords(in, drive, said) && (said = "a link of version 1 of its format cannot show that it is whole", true);

    // Version 2: the steps and the records' size, the records, their check.
    const std::string cut = " (a messenger may have cut it)";
    uint64_t steps, size, check;
    if (!in.Number(steps) || !in.Number(size))
        return (said = "the link is cut short: it ends before its drive begins" + cut), false;
    if (steps > static_cast<uint64_t>(kMostSteps))
        return (said = "the link's drive has " + Counted(steps) + " steps, more than " + LongestDrive()), false;
    const size_t header = in.at, rest = bytes.size() - header;
    if (rest < 4 || rest - 4 < size)
    {
        ReadRecords(in, drive, said); // as far as it goes
        const bool all = drive.Steps() == static_cast<long>(steps);
        return (said = "the link is cut short: it holds " +
                       (all ? "its steps, but not the check at its end" : Counted(drive.Steps()) + " of " + Counted(steps) + " steps") + cut),
               false;
    }
    in.end = header + size;
    CBytes{bytes, in.end}.Fixed(check, 4);
    if (rest - 4 > size || !exact || Crc32(std::string_view(bytes).substr(0, in.end)) != check)
        return (said = "the link is altered: its check does not match its drive"), false;
    // Read only as written, so that what is accepted is written back the same.
    if (ReadRecords(in, drive, said) && DriveLink(drive) != fragment)
        said = "the link's drive is not written as its format writes it";
    return said.empty();
}

} // namespace

std::string LongestLink()
{
    return "the longest link a browser opens, " + Counted(kLongestLink) + " characters";
}

std::string LinkOfRecords(long steps, std::string_view records)
{
    std::string bytes, link = std::string(kPrefix) + std::to_string(kDriveLinkVersion) + ".";
    PutNumber(bytes, static_cast<uint64_t>(steps));
    PutNumber(bytes, records.size());
    bytes += records;
    PutBytes(bytes, Crc32(bytes), 4);
    for (size_t i = 0; i < bytes.size(); i += 3)
    {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0);
        for (size_t k = 0; k <= n; ++k)
            link += kDigits[(group >> (18 - 6 * k)) & 63];
    }
    return link;
}

std::string DriveLink(const Drive& drive)
{
    return LinkOfRecords(drive.Steps(), Records(drive));
}

std::string_view FindLink(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n\f\v";
    const size_t from = text.find_first_not_of(kBlanks);
    if (from == std::string_view::npos)
        return {};
    const std::string_view link = text.substr(from, text.find_last_not_of(kBlanks) + 1 - from);
    // The fragment alone, or after the '#' of an address; a link is one word.
    const size_t hash = link.substr(0, kPrefix.size()) == kPrefix ? std::string_view::npos : link.find('#');
    const bool linked = link.substr(hash == std::string_view::npos ? 0 : hash + 1, kPrefix.size()) == kPrefix;
    return linked && link.find_first_of(kBlanks) == std::string_view::npos ? link : std::string_view();
}

bool ReadDriveLink(std::string_view link, Drive& drive, std::string& said)
{
    said.clear();
    drive = Drive{};
    if (link.size() > kLongestLink)
        return (said = "the link is " + Counted(link.size()) + " characters, longer than " + LongestLink()), false;
    const size_t hash = link.substr(0, kPrefix.size()) == kPrefix ? std::string_view::npos : link.find('#');
    Drive read;
    if (!ReadFragment(hash == std::string_view::npos ? link : link.substr(hash + 1), read, said))
        return false;
    drive = std::move(read);
    return true;
}

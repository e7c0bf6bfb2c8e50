#include "tools/DriveLink.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "tools/CarFields.h"

namespace
{

constexpr std::string_view kPrefix = "drive=";
constexpr long kHashEvery = 60; ///< steps: one state hash a second of drive
constexpr const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

/// Each character's value as a base64url digit; 64 for a character that is none.
const std::array<unsigned char, 256> kDigitValue = [] {
    std::array<unsigned char, 256> value;
    value.fill(64);
    for (unsigned char i = 0; i < 64; ++i)
        value[static_cast<unsigned char>(kDigits[i])] = i;
    return value;
}();

// The records open with a byte (docs/tools.md): below kSettings a run of steps holding
// those keys, kSettings a set line, kHash the state hash after the step before it.
constexpr unsigned char kSettings = 32;
constexpr unsigned char kHash = 33;

/// Writes `v` as a LEB128 number to `put`, a byte at a time.
template <class Put>
void PutNumber(Put& put, uint64_t v)
{
    do
    {
        const unsigned char low = v & 0x7f;
        v >>= 7;
        put(static_cast<char>(low | (v != 0 ? 0x80 : 0)));
    } while (v != 0);
}

/// Writes the low `count` bytes of `v` to `put`, least significant first.
template <class Put>
void PutBytes(Put& put, uint64_t v, int count)
{
    for (int i = 0; i < count; ++i)
        put(static_cast<char>((v >> (8 * i)) & 0xff));
}

/// CRC-32 as zlib computes it (reflected polynomial 0xedb88320): that of the bytes `crc` is
/// of (0 for none), then `byte`.
uint32_t Crc32(uint32_t crc, unsigned char byte)
{
    crc = ~crc ^ byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    return ~crc;
}

/// A version-2 link's fragment, written as its bytes are put to it, a byte at a time: in
/// base64url, its CRC-32 kept as they pass. Opens with the count and the records' size.
class CLinkOut
{
public:
    CLinkOut(uint64_t steps, size_t size)
        : m_text(std::string(kPrefix) + std::to_string(kDriveLinkVersion) + ".")
    {
        m_text.reserve(m_text.size() + (size + 18) / 3 * 4); // with the count, the size and the check
        PutNumber(*this, steps);
        PutNumber(*this, size);
    }
    void operator()(char c)
    {
        m_crc = Crc32(m_crc, static_cast<unsigned char>(c));
        m_group = m_group << 8 | static_cast<unsigned char>(c);
        if (++m_count == 3)
            Flush();
    }
    /// The fragment, once the records are put: the check ends it.
    std::string Link()
    {
        PutBytes(*this, m_crc, 4);
        Flush();
        return std::move(m_text);
    }

private:
    void Flush()
    {
        for (int k = 0; m_count != 0 && k <= m_count; ++k)
            m_text.push_back(kDigits[((m_group << (8 * (3 - m_count))) >> (18 - 6 * k)) & 63]);
        m_group = m_count = 0;
    }

    std::string m_text;
    uint32_t m_crc = 0, m_group = 0;
    int m_count = 0; ///< bytes in m_group
};

/// Writes the records of `drive` (docs/tools.md) to `put`, a byte at a time.
template <class Put>
void WriteRecords(const Drive& drive, Put&& put)
{
    auto settings = drive.settings.begin();
    auto check = drive.checks.begin();
    long step = 0;
    auto putSettings = [&] {
        if (settings == drive.settings.end() || settings->after != step)
            return;
        put(static_cast<char>(kSettings));
        PutNumber(put, settings->fields.size());
        for (const FieldSetting& s : (settings++)->fields)
        {
            PutNumber(put, static_cast<uint64_t>(s.field - kCarFields.data()));
            PutBytes(put, s.bits, 4);
        }
    };
    for (const DriveRun& run : drive.runs)
    {
        putSettings();
        // The run in pieces, each ending at a state hash the link keeps.
        for (const long end = step + run.steps; step < end;)
        {
            while (check != drive.checks.end() &&
                   (check->step <= step || (check->step % kHashEvery != 0 && check->step != drive.steps)))
                ++check;
            const bool hashed = check != drive.checks.end() && check->step <= end;
            const long to = hashed ? check->step : end;
            put(static_cast<char>(run.keys));
            PutNumber(put, static_cast<uint64_t>(to - step - 1));
            step = to;
            if (hashed)
            {
                put(static_cast<char>(kHash));
                PutBytes(put, (check++)->hash, 8);
            }
        }
    }
    putSettings();
}

/// Reads the bytes that base64url `text` holds, decoded where they lie, in order from `at` to
/// `end`; every read fails, for good, past the end.
struct CBytes
{
    std::string_view text; ///< base64url digits alone
    size_t at = 0;
    size_t end = text.size() * 6 / 8;

    /// Byte `i`, from the two digits that hold its bits.
    unsigned char At(size_t i) const
    {
        const size_t bit = 8 * i;
        const unsigned pair = kDigitValue[static_cast<unsigned char>(text[bit / 6])] << 6 |
                              kDigitValue[static_cast<unsigned char>(text[bit / 6 + 1])];
        return static_cast<unsigned char>(pair >> (4 - bit % 6));
    }

    /// The next byte, 0 past the end.
    unsigned char Byte() { return at < end ? At(at++) : (++at, 0); }

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
    bool afterRun = false; // the record before was a run of steps
    while (in.at < in.end)
    {
        const unsigned char tag = in.Byte();
        const bool run = tag < kSettings;
        if (run)
        {
            uint64_t more;
            if (!in.Number(more))
                return (said = "the link's drive is cut short in a run of steps"), false;
            if (more >= static_cast<uint64_t>(kMostSteps) || !AddSteps(drive, tag, static_cast<long>(more) + 1))
                return (said = "the link's drive is longer than " + LongestDrive()), false;
        }
        else if (tag == kSettings)
        {
            uint64_t count;
            if (!in.Number(count) || count > kCarFieldCount)
                return (said = "the link's drive is cut short in a set line"), false;
            for (uint64_t i = 0; i < count; ++i)
            {
                uint64_t index, bits;
                if (!in.Number(index) || !in.Fixed(bits, 4) || index >= kCarFieldCount || !kCarFields[index].settable)
                    return (said = "the link's drive sets a field that cannot be set, or is cut short"), false;
                const FieldSetting setting{&kCarFields[index], static_cast<uint32_t>(bits)};
                if (!SettableBits(*setting.field, setting.bits))
                    return (said = std::string("the link's drive gives ") + setting.field->name + " a value that is no number"), false;
                AddSetting(drive, setting);
            }
        }
        else if (tag == kHash)
        {
            uint64_t hash;
            if (!afterRun || (!drive.checks.empty() && drive.checks.back().step == drive.steps) || !in.Fixed(hash, 8))
                return (said = "the link's drive holds a state hash of no step"), false;
            AddCheck(drive, hash);
        }
        else
            return (said = "the link's drive holds a record this build does not know: " + ShownCharacter(static_cast<char>(tag))), false;
        afterRun = run;
    }
    return true;
}

/// ReadDriveLink, leaving in `drive` what it read before a refusal. No copy of a link is
/// made: the longest takes its size in bytes and its drive, nothing more.
bool ReadLink(std::string_view fragment, Drive& drive, std::string& said)
{
    if (fragment.size() > LongestLink())
        return (said = "the link is longer than any link can be: " + Counted(LongestLink()) + " characters hold " +
                       LongestDrive()), false;
    const size_t dot = fragment.find('.');
    const std::string version(fragment.substr(0, kPrefix.size()) == kPrefix && dot != std::string_view::npos
                                  ? fragment.substr(kPrefix.size(), dot - kPrefix.size())
                                  : "");
    if (version.empty() || version.find_first_not_of("0123456789") != std::string::npos)
        return (said = "the link holds no drive"), false;
    if (version != "1" && version != std::to_string(kDriveLinkVersion))
        return (said = "the link's drive is of version " + version.substr(0, 12) +
                       " of its format; this build reads versions 1 and 2"), false;
    const std::string_view data = fragment.substr(dot + 1);
    const auto bad = std::find_if(data.begin(), data.end(), [](char c) { return kDigitValue[static_cast<unsigned char>(c)] == 64; });
    if (bad != data.end())
        return (said = "the link holds a character that is not base64url: " + ShownCharacter(*bad)), false;
    CBytes in{data};
    if (version == "1")
    {
        if (!ReadRecords(in, drive, said))
            return false;
        said = "a link of version 1 of its format cannot show that it is whole";
        return true;
    }

    // Version 2: the steps and the records' size, the records, their check.
    const std::string cut = " (a messenger may have cut it)";
    uint64_t steps, size;
    if (!in.Number(steps) || !in.Number(size))
        return (said = "the link is cut short: it ends before its drive begins" + cut), false;
    if (steps > static_cast<uint64_t>(kMostSteps))
        return (said = "the link's drive has " + Counted(steps) + " steps, more than " + LongestDrive()), false;
    const size_t header = in.at, rest = in.end - header;
    if (rest < 4 || rest - 4 < size)
    {
        ReadRecords(in, drive, said); // as far as it goes
        const bool all = drive.steps == static_cast<long>(steps);
        return (said = "the link is cut short: it holds " +
                       (all ? "its steps, but not the check at its end" : Counted(drive.steps) + " of " + Counted(steps) + " steps") + cut),
               false;
    }
    uint64_t check;
    in.end = header + static_cast<size_t>(size); // no more than the bytes there are
    CBytes{data, in.end}.Fixed(check, 4);
    uint32_t crc = 0;
    for (size_t i = 0; i < in.end; ++i)
        crc = Crc32(crc, in.At(i));
    // Written as CLinkOut writes it: the bits of the last digit past the last byte all 0.
    const unsigned spare = data.size() * 6 % 8;
    const bool exact = spare == 0 || (spare != 6 && (kDigitValue[static_cast<unsigned char>(data.back())] & ((1u << spare) - 1)) == 0);
    if (rest - 4 > size || !exact || crc != check)
        return (said = "the link is altered: its check does not match its drive"), false;
    if (!ReadRecords(in, drive, said))
        return false;
    // Read only as written: the bytes DriveLink would write for the drive read, compared as
    // they come.
    bool same = drive.steps == static_cast<long>(steps);
    size_t at = 0;
    auto expect = [&](char c) { same = same && at < in.end && in.At(at++) == static_cast<unsigned char>(c); };
    PutNumber(expect, steps);
    PutNumber(expect, size);
    WriteRecords(drive, expect);
    if (!same || at != in.end)
        return (said = "the link's drive is not written as its format writes it"), false;
    return true;
}

} // namespace

size_t LongestLink()
{
    const size_t settable = std::count_if(kCarFields.begin(), kCarFields.end(), [](const CarField& f) { return f.settable; });
    const size_t steps = kMostSteps;
    const size_t bytes = 3 + 4                               // the count and the size: numbers of 21 and 28 bits
                         + 2 * steps                         // each step a run of its own
                         + 9 * (steps / kHashEvery + 1)      // a hash a second and after the last step
                         + (steps + 1) * (2 + 5 * settable)  // every field set before each step and after the last
                         + 4;                                // the check
    return kPrefix.size() + 2 + (bytes + 2) / 3 * 4;
}

std::string LinkOfRecords(long steps, std::string_view records)
{
    CLinkOut out(static_cast<uint64_t>(steps), records.size());
    std::for_each(records.begin(), records.end(), std::ref(out));
    return out.Link();
}

std::string DriveLink(const Drive& drive)
{
    size_t size = 0; // written once to count the records' bytes, which the link gives first
    WriteRecords(drive, [&](char) { ++size; });
    CLinkOut out(static_cast<uint64_t>(drive.steps), size);
    WriteRecords(drive, out);
    return out.Link();
}

std::string LinkFragment(const std::string& text)
{
    constexpr const char* kBlanks = " \t\r\n\f\v";
    const size_t from = text.find_first_not_of(kBlanks);
    const std::string link = from == std::string::npos ? "" : text.substr(from, text.find_last_not_of(kBlanks) + 1 - from);
    // The fragment alone, or after the '#' of an address; a link is one word.
    const size_t hash = link.compare(0, kPrefix.size(), kPrefix) == 0 ? std::string::npos : link.find('#');
    const size_t start = hash == std::string::npos ? 0 : hash + 1;
    if (link.empty() || link.find_first_of(kBlanks) != std::string::npos || link.compare(start, kPrefix.size(), kPrefix) != 0)
        return "";
    return link.substr(start);
}

bool ReadDriveLink(std::string_view fragment, Drive& drive, std::string& said)
{
    said.clear();
    Drive read;
    const bool good = ReadLink(fragment, read, said);
    drive = good ? std::move(read) : Drive{};
    return good;
}

#include "tools/DriveLink.h"

#include <cmath>
#include <cstring>

#include "tools/CarFields.h"

namespace
{

constexpr const char* kPrefix = "drive=";
constexpr long kHashEvery = 60; ///< steps: one state hash a second of drive
constexpr const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// The records of the data, each opening with a byte: below kSettings a run of steps
// holding those keys (KeyBits), then the run's length less one; kSettings a set line, then
// its number of fields and each one's index in the car's fields and four bytes; kHash the
// state hash after the step before it, eight bytes. Numbers are LEB128, bytes least
// significant first.
constexpr unsigned char kSettings = 32;
constexpr unsigned char kHash = 33;

void PutNumber(std::string& out, uint64_t v)
{
    do
    {
        const unsigned char low = v & 0x7f;
        v >>= 7;
        out.push_back(static_cast<char>(low | (v != 0 ? 0x80 : 0)));
    } while (v != 0);
}

void PutBytes(std::string& out, uint64_t v, int count)
{
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

std::string Base64(const std::string& bytes)
{
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3)
    {
        uint32_t group = 0;
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        for (size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0);
        for (size_t k = 0; k <= n; ++k)
            text.push_back(kDigits[(group >> (18 - 6 * k)) & 63]);
    }
    return text;
}

bool FromBase64(const std::string& text, std::string& bytes)
{
    uint32_t group = 0;
    int bits = 0;
    for (const char c : text)
    {
        const char* at = std::strchr(kDigits, c);
        if (c == '\0' || at == nullptr)
            return false;
        group = group << 6 | static_cast<uint32_t>(at - kDigits);
        bits += 6;
        if (bits >= 8)
        {
            bits -= 8;
            bytes.push_back(static_cast<char>((group >> bits) & 0xff));
        }
    }
    return true;
}

/// Reads the data's bytes in order; every reader fails, for good, past its end.
class CBytes
{
public:
    explicit CBytes(const std::string& bytes) : m_bytes(bytes) {}

    bool AtEnd() const { return m_at == m_bytes.size(); }

    bool Byte(unsigned char& b)
    {
        if (m_at == m_bytes.size())
            return false;
        b = static_cast<unsigned char>(m_bytes[m_at++]);
        return true;
    }

    bool Number(uint64_t& v)
    {
        v = 0;
        for (int shift = 0; shift < 64; shift += 7)
        {
            unsigned char b;
            if (!Byte(b))
                return false;
            v |= static_cast<uint64_t>(b & 0x7f) << shift;
            if ((b & 0x80) == 0)
                return true;
        }
        return false;
    }

    bool Bytes(uint64_t& v, int count)
    {
        v = 0;
        for (int i = 0; i < count; ++i)
        {
            unsigned char b;
            if (!Byte(b))
                return false;
            v |= static_cast<uint64_t>(b) << (8 * i);
        }
        return true;
    }

private:
    const std::string& m_bytes;
    size_t m_at = 0;
};

} // namespace

std::string DriveLink(const std::vector<ScriptLine>& script)
{
    long steps = 0;
    for (const ScriptLine& line : script)
        steps += line.isStep;
    std::string data;
    long step = 0;
    long run = 0;
    uint8_t runKeys = 0;
    auto flush = [&] {
        if (run > 0)
        {
            data.push_back(static_cast<char>(runKeys));
            PutNumber(data, static_cast<uint64_t>(run - 1));
        }
        run = 0;
    };
    for (const ScriptLine& line : script)
    {
        if (!line.isStep)
        {
            flush();
            data.push_back(static_cast<char>(kSettings));
            PutNumber(data, line.settings.size());
            for (const FieldSetting& s : line.settings)
            {
                PutNumber(data, static_cast<uint64_t>(s.field - kCarFields.data()));
                PutBytes(data, s.bits, 4);
            }
            continue;
        }
        if (run > 0 && line.keys != runKeys)
            flush();
        runKeys = line.keys;
        ++run;
        ++step;
        if (line.hasHash && (step % kHashEvery == 0 || step == steps))
        {
            flush();
            data.push_back(static_cast<char>(kHash));
            PutBytes(data, line.hash, 8);
        }
    }
    flush();
    return std::string(kPrefix) + std::to_string(kDriveLinkVersion) + "." + Base64(data);
}

bool ReadDriveLink(const std::string& fragment, std::vector<ScriptLine>& script, std::string& error)
{
    script.clear();
    const size_t dot = fragment.find('.');
    const std::string version = fragment.substr(0, dot).substr(std::min(fragment.size(), std::strlen(kPrefix)));
    if (fragment.compare(0, std::strlen(kPrefix), kPrefix) != 0 || dot == std::string::npos || version.empty() ||
        version.find_first_not_of("0123456789") != std::string::npos)
    {
        error = "the link holds no drive";
        return false;
    }
    if (version != std::to_string(kDriveLinkVersion))
    {
        error = "the link's drive is of version " + version.substr(0, 12) + " of its format; this page reads version " +
                std::to_string(kDriveLinkVersion);
        return false;
    }
    std::string bytes;
    if (!FromBase64(fragment.substr(dot + 1), bytes))
    {
        error = "the link's drive holds a character that is not base64url";
        return false;
    }
    CBytes in(bytes);
    long lineNumber = 1; // line 1: the format line of the script it stands for
    constexpr long kMostSteps = 10'000'000; ///< far past any drive: a link cannot ask for more
    long steps = 0;
    while (!in.AtEnd())
    {
        unsigned char tag;
        in.Byte(tag);
        if (tag < kSettings)
        {
            uint64_t more;
            if (!in.Number(more) || more >= static_cast<uint64_t>(kMostSteps - steps))
            {
                error = "the link's drive is cut short, or longer than any drive";
                return false;
            }
            for (uint64_t i = 0; i <= more; ++i)
            {
                ScriptLine line;
                line.keys = tag;
                line.lineNumber = ++lineNumber;
                script.push_back(line);
            }
            steps += static_cast<long>(more) + 1;
        }
        else if (tag == kSettings)
        {
            ScriptLine line;
            line.isStep = false;
            line.lineNumber = ++lineNumber;
            uint64_t count;
            if (!in.Number(count) || count > kCarFieldCount)
            {
                error = "the link's drive is cut short in a set line";
                return false;
            }
            for (uint64_t i = 0; i < count; ++i)
            {
                uint64_t index, bits;
                if (!in.Number(index) || !in.Bytes(bits, 4) || index >= kCarFieldCount || !kCarFields[index].settable)
                {
                    error = "the link's drive sets a field that cannot be set, or is cut short";
                    return false;
                }
                float real;
                const uint32_t word = static_cast<uint32_t>(bits);
                std::memcpy(&real, &word, sizeof real);
                if (kCarFields[index].real != nullptr && !std::isfinite(real))
                {
                    error = std::string("the link's drive gives ") + kCarFields[index].name + " a value that is no number";
                    return false;
                }
                line.settings.push_back(FieldSetting{&kCarFields[index], word});
            }
            script.push_back(line);
        }
        else if (tag == kHash)
        {
            uint64_t hash;
            if (script.empty() || !script.back().isStep || script.back().hasHash || !in.Bytes(hash, 8))
            {
                error = "the link's drive holds a state hash of no step";
                return false;
            }
            script.back().hasHash = true;
            script.back().hash = hash;
        }
        else
        {
            error = "the link's drive holds a record this page does not know";
            return false;
        }
    }
    return true;
}

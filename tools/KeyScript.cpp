#include "tools/KeyScript.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "tools/CarFields.h"

namespace
{

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

/// The next word of `text` from `pos` on, blanks around it skipped; `pos` moves past it.
/// False, and an empty word, when only blanks are left.
bool NextWord(const std::string& text, size_t& pos, std::string& word)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    const size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]))
        ++pos;
    word = text.substr(start, pos - start);
    return !word.empty();
}

/// A character as a message shows it: printable as itself, anything else as a byte code.
std::string Shown(unsigned char c)
{
    char text[16];
    if (c >= 0x21 && c < 0x7f)
        std::snprintf(text, sizeof text, "'%c'", c);
    else
        std::snprintf(text, sizeof text, "byte 0x%02x", c);
    return text;
}

} // namespace

bool CKeyScriptReader::Fail(const std::string& what)
{
    m_error = "line " + std::to_string(m_lineNumber) + ": " + what;
    m_badLine = true;
    return false;
}

bool CKeyScriptReader::ReadRaw(bool& tooLong)
{
    m_raw.clear();
    tooLong = false;
    int c;
    while ((c = std::getc(m_in)) != EOF && c != '\n')
    {
        if (m_raw.size() < kMaxLine)
            m_raw.push_back(static_cast<char>(c));
        else
            tooLong = true;
    }
    return !(c == EOF && m_raw.empty() && !tooLong);
}

bool CKeyScriptReader::ReadFormatLine()
{
    // "# racer key script N" on the first line names the format's version; any other
    // first line is an ordinary line of a version-1 script.
    const std::string prefix = "# racer key script ";
    if (m_raw.compare(0, prefix.size(), prefix) != 0)
        return true;
    const std::string number = m_raw.substr(prefix.size());
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
        return true;
    if (number != "1" && number != "2")
        return Fail("key script version " + number + "; this build reads versions 1 and 2");
    m_version = number == "2" ? 2 : 1;
    return true;
}

bool CKeyScriptReader::ParseKeys(const std::string& text, ScriptLine& line)
{
    for (const char ch : text)
    {
        if (ch == '.' || IsBlank(ch))
            continue;
        const DrivingKey* k = DrivingKeyOfLetter(ch);
        if (k == nullptr)
            return Fail("unknown key " + Shown(static_cast<unsigned char>(ch)));
        line.keys |= k->bit;
    }
    return true;
}

bool CKeyScriptReader::ParseHash(const std::string& word, ScriptLine& line)
{
    if (word.size() != 16 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return Fail("state hash '" + word.substr(0, 40) + "' is not 16 hex digits");
    line.hasHash = true;
    line.hash = std::strtoull(word.c_str(), nullptr, 16);
    return true;
}

bool CKeyScriptReader::Next(ScriptLine& line)
{
    bool tooLong = false;
    while (ReadRaw(tooLong))
    {
        ++m_lineNumber;
        line = ScriptLine{};
        line.lineNumber = m_lineNumber;
        if (tooLong)
            return Fail("longer than " + std::to_string(kMaxLine) + " characters");
        if (m_lineNumber == 1 && !ReadFormatLine())
            return false;
        size_t first = 0;
        while (first < m_raw.size() && IsBlank(m_raw[first]))
            ++first;
        if (first < m_raw.size() && m_raw[first] == '#')
            continue;
        if (first < m_raw.size() && m_raw[first] == '=')
            return ParseSettings(first + 1, line);
        if (m_version == 1)
            return ParseKeys(m_raw, line);
        // Version 2: the keys as one word, then the state hash, if any, as the second.
        size_t pos = first;
        std::string keys, hash, more;
        NextWord(m_raw, pos, keys);
        if (!ParseKeys(keys, line))
            return false;
        if (NextWord(m_raw, pos, hash) && !ParseHash(hash, line))
            return false;
        if (NextWord(m_raw, pos, more))
            return Fail("more than the keys and a state hash");
        return true;
    }
    if (std::ferror(m_in))
    {
        m_error = std::string("cannot read the script: ") + std::strerror(errno);
        return false;
    }
    return false;
}

bool CKeyScriptReader::ParseSettings(size_t from, ScriptLine& line)
{
    line.isStep = false;
    size_t pos = from;
    std::string name, value;
    while (NextWord(m_raw, pos, name))
    {
        const CarField* field = FindCarField(name);
        if (field == nullptr || !field->settable)
            return Fail("unknown field '" + name + "'");
        if (!NextWord(m_raw, pos, value))
            return Fail("no value for field '" + name + "'");
        FieldSetting setting{field, 0};
        char* end = nullptr;
        errno = 0;
        if (field->real != nullptr)
        {
            // strtof rounds straight to the nearest float, as the field stores it.
            const float v = std::strtof(value.c_str(), &end);
            // Overflow and "inf" or "nan" are no float constants of a car's state.
            if (*end != '\0' || !std::isfinite(v))
                return Fail("unreadable value '" + value + "' for field '" + name + "'");
            std::memcpy(&setting.bits, &v, sizeof v);
        }
        else
        {
            const long v = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
                return Fail("unreadable value '" + value + "' for field '" + name + "'");
            const int32_t count = static_cast<int32_t>(v);
            std::memcpy(&setting.bits, &count, sizeof count);
        }
        line.settings.push_back(setting);
    }
    return true;
}

int ReadKeyScript(const char* path, std::vector<ScriptLine>& lines, std::string& error)
{
    const bool standardInput = std::strcmp(path, "-") == 0;
    FILE* in = standardInput ? stdin : std::fopen(path, "rb");
    if (in == nullptr)
    {
        error = std::string("cannot read ") + path + ": " + std::strerror(errno);
        return 1;
    }
    CKeyScriptReader reader(in);
    ScriptLine line;
    lines.clear();
    while (reader.Next(line))
        lines.push_back(std::move(line));
    if (!standardInput)
        std::fclose(in);
    if (!reader.Error().empty())
    {
        error = std::string(path) + ": " + reader.Error();
        return reader.BadLine() ? 2 : 1;
    }
    return 0;
}

void ApplySettings(const ScriptLine& line, CPlayerCar& car)
{
    for (const FieldSetting& s : line.settings)
        SetFieldBits(*s.field, car, s.bits);
}

std::string KeyLetters(uint8_t keys)
{
    std::string letters;
    for (const DrivingKey& k : kDrivingKeys)
        if ((keys & k.bit) != 0)
            letters.push_back(k.letter);
    return letters.empty() ? "." : letters;
}

std::string ScriptHeader(const char* tool)
{
    char when[64] = "an unknown time";
    const std::time_t now = std::time(nullptr);
    std::tm utc;
#ifdef _WIN32
    const bool known = gmtime_s(&utc, &now) == 0; // Windows' C runtime has no gmtime_r
#else
    const bool known = gmtime_r(&now, &utc) != nullptr;
#endif
    if (known)
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return std::string(kFormatLine) + "\n# written by " + tool + " on " + when +
           "\n# one line a frame step: the keys it read (U D L R S, '.' for none) and the car's"
           " state hash after it\n";
}

std::string StepLine(uint8_t keys, uint64_t hash)
{
    return KeyLetters(keys) + " " + HashText(hash);
}

std::string StateHashMismatch(const ScriptLine& line, long step, uint64_t reached)
{
    if (!line.hasHash || line.hash == reached)
        return "";
    return "line " + std::to_string(line.lineNumber) + ", step " + std::to_string(step) +
           ": the script holds state hash " + HashText(line.hash) + ", this build reached " +
           HashText(reached);
}

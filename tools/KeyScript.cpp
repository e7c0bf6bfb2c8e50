#include "tools/KeyScript.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/DrivingKeys.h"
#include "tools/CarFields.h"
#include "tools/DriveLink.h"
#include "tools/ToolSupport.h"

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

} // namespace

bool CKeyScriptReader::Fail(const std::string& what)
{
    m_error = "line " + std::to_string(m_lineNumber) + ": " + what;
    return false;
}

bool CKeyScriptReader::Feed(const char* data, size_t size)
{
    const char* const end = data + size;
    while (m_error.empty() && data < end)
    {
        const char* newline = static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(end - data)));
        m_raw.append(data, static_cast<size_t>((newline != nullptr ? newline : end) - data));
        if (m_raw.size() > kMaxLine)
        {
            ++m_lineNumber;
            return Fail("longer than " + std::to_string(kMaxLine) + " characters");
        }
        if (newline == nullptr)
            break;
        Line();
        data = newline + 1;
    }
    return m_error.empty();
}

bool CKeyScriptReader::End()
{
    if (m_error.empty() && !m_raw.empty())
        Line();
    return m_error.empty();
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

bool CKeyScriptReader::ParseKeys(const std::string& text)
{
    uint8_t keys = 0;
    for (const char ch : text)
    {
        if (ch == '.' || IsBlank(ch))
            continue;
        const DrivingKey* k = DrivingKeyOfLetter(ch);
        if (k == nullptr)
            return Fail("unknown key " + ShownCharacter(ch));
        keys |= k->bit;
    }
    if (!AddSteps(m_drive, keys))
        return Fail("the drive is longer than " + LongestDrive());
    return true;
}

bool CKeyScriptReader::ParseHash(const std::string& word)
{
    if (word.size() != 16 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return Fail("state hash '" + word.substr(0, 40) + "' is not 16 hex digits");
    AddCheck(m_drive, std::strtoull(word.c_str(), nullptr, 16), m_lineNumber);
    return true;
}

bool CKeyScriptReader::Line()
{
    ++m_lineNumber;
    if (m_lineNumber == 1 && !ReadFormatLine())
        return false;
    size_t pos = 0;
    while (pos < m_raw.size() && IsBlank(m_raw[pos]))
        ++pos;
    const char opens = pos < m_raw.size() ? m_raw[pos] : '\0';
    bool good = true;
    if (opens == '=')
        good = ParseSettings(pos + 1);
    else if (opens != '#' && m_version == 1)
        good = ParseKeys(m_raw);
    else if (opens != '#')
    {
        // Version 2: the keys as one word, then the state hash, if any, as the second.
        std::string keys, hash, more;
        NextWord(m_raw, pos, keys);
        good = ParseKeys(keys) && (!NextWord(m_raw, pos, hash) || ParseHash(hash)) &&
               (!NextWord(m_raw, pos, more) || Fail("more than the keys and a state hash"));
    }
    m_raw.clear();
    return good;
}

bool CKeyScriptReader::ParseSettings(size_t from)
{
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
        if (field->real != nullptr)
        {
            char* end = nullptr;
            // strtof rounds to the nearest float, as the field stores it (overflow: infinity).
            const float v = std::strtof(value.c_str(), &end);
            std::memcpy(&setting.bits, &v, sizeof v);
            if (*end != '\0' || !SettableBits(*field, setting.bits))
                return Fail("unreadable value '" + value + "' for field '" + name + "'");
        }
        else
        {
            long v;
            if (!ReadNumber(value.c_str(), INT32_MIN, v) || v > INT32_MAX)
                return Fail("unreadable value '" + value + "' for field '" + name + "'");
            const int32_t count = static_cast<int32_t>(v);
            std::memcpy(&setting.bits, &count, sizeof count);
        }
        AddSetting(m_drive, setting);
    }
    return true;
}

int ReadDrive(const char* source, Drive& drive, std::string& said)
{
    drive = Drive{};
    if (const std::string fragment = LinkFragment(source); !fragment.empty())
        return ReadDriveLink(fragment, drive, said) ? 0 : 2;
    const bool standardInput = std::strcmp(source, "-") == 0;
    FILE* in = standardInput ? stdin : std::fopen(source, "rb");
    if (in == nullptr)
        return (said = std::string("cannot read ") + source + ": " + std::strerror(errno)), 1;
    // A key script is read a piece at a time; a link, which its first piece shows, whole.
    CKeyScriptReader reader(drive);
    std::string link;
    char piece[1 << 16];
    bool good = true, isLink = false;
    size_t size;
    for (bool first = true; good && (size = std::fread(piece, 1, sizeof piece, in)) > 0; first = false)
    {
        isLink = isLink || (first && !LinkFragment(std::string(piece, size)).empty());
        if (!isLink)
            good = reader.Feed(piece, size);
        else if (link.append(piece, size).size() > LongestLink() + sizeof piece)
            break; // longer than any link (its address is in the first piece): refused unread
    }
    const int error = std::ferror(in) ? errno : 0;
    if (!standardInput)
        std::fclose(in);
    if (error != 0)
        return (said = std::string("cannot read ") + (standardInput ? "standard input" : source) + ": " + std::strerror(error)), 1;
    if (isLink)
        good = ReadDriveLink(LinkFragment(link), drive, said);
    else if (!(good = good && reader.End()))
        said = reader.Error();
    if (!said.empty() && !standardInput)
        said = std::string(source) + ": " + said;
    return good ? 0 : 2;
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
    // No other thread asks for the time; printf, not strftime, which the page would carry.
    if (const std::tm* t = std::gmtime(&now))
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d UTC", t->tm_year + 1900, t->tm_mon + 1,
                      t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec);
    return std::string(kFormatLine) + "\n# written by " + tool + " on " + when +
           "\n# one line a frame step: the keys it read (U D L R S, '.' for none) and the car's"
           " state hash after it\n";
}

std::string StepLine(uint8_t keys, uint64_t hash)
{
    return KeyLetters(keys) + " " + HashText(hash);
}

std::string KeyScriptText(const Drive& drive, const char* tool)
{
    std::string text = ScriptHeader(tool);
    auto settings = drive.settings.begin();
    auto check = drive.checks.begin();
    long step = 0;
    auto writeSettings = [&] {
        if (settings == drive.settings.end() || settings->after != step)
            return;
        text += "=";
        for (const FieldSetting& s : (settings++)->fields)
            text += std::string(" ") + s.field->name + " " + FieldText(*s.field, s.bits);
        text += "\n";
    };
    for (const DriveRun& run : drive.runs)
        for (long i = 0; i < run.steps; ++i)
        {
            writeSettings();
            ++step;
            const bool hashed = check != drive.checks.end() && check->step == step;
            text += (hashed ? StepLine(run.keys, (check++)->hash) : KeyLetters(run.keys)) + "\n";
        }
    writeSettings();
    return text;
}

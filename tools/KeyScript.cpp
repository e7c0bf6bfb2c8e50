#include "tools/KeyScript.h"

#include <algorithm>
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

/// The next word of `line` from `pos` on, blanks around it skipped; `pos` moves past it.
/// Empty when only blanks are left.
std::string_view NextWord(std::string_view line, size_t& pos)
{
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    const size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos]))
        ++pos;
    return line.substr(start, pos - start);
}

/// The reader of one script: where it is, and what the first line said of its version.
struct CScriptReader
{
    Drive& drive;
    std::string& error;
    long number = 0; ///< of the line being read
    int version = 1;

    bool Fail(const std::string& what)
    {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    }

    bool Line(std::string_view line)
    {
        // "# racer key script N" on the first line names the format's version; any other
        // first line is an ordinary line of a version-1 script.
        constexpr std::string_view kVersionLine = "# racer key script ";
        const std::string_view number = line.substr(std::min(line.size(), kVersionLine.size()));
        if (this->number == 1 && line.substr(0, kVersionLine.size()) == kVersionLine && !number.empty() &&
            number.find_first_not_of("0123456789") == std::string_view::npos)
        {
            if (number != "1" && number != "2")
                return Fail("key script version " + std::string(number) + "; this build reads versions 1 and 2");
            version = number == "2" ? 2 : 1;
        }
        size_t pos = 0;
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        const char opens = pos < line.size() ? line[pos] : '\0';
        if (opens == '#')
            return true;
        if (opens == '=')
            return Settings(line, pos + 1);
        if (version == 1)
            return Keys(line);
        // Version 2: the keys as one word, then the state hash, if any, as the second.
        const std::string_view keys = NextWord(line, pos), hash = NextWord(line, pos);
        return Keys(keys) && (hash.empty() || Hash(hash)) &&
               (NextWord(line, pos).empty() || Fail("more than the keys and a state hash"));
    }

    bool Keys(std::string_view text)
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
        return AddStep(drive, keys) || Fail("the drive is longer than " + LongestDrive());
    }

    bool Hash(std::string_view word)
    {
        if (word.size() != 16 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
            return Fail("state hash '" + std::string(word.substr(0, 40)) + "' is not 16 hex digits");
        AddCheck(drive, std::strtoull(std::string(word).c_str(), nullptr, 16), number);
        return true;
    }

    bool Settings(std::string_view line, size_t pos)
    {
        for (std::string_view name; !(name = NextWord(line, pos)).empty();)
        {
            const CarField* field = FindCarField(std::string(name));
            const std::string value(NextWord(line, pos));
            if (field == nullptr || !field->settable)
                return Fail("unknown field '" + std::string(name) + "'");
            if (value.empty())
                return Fail("no value for field '" + std::string(name) + "'");
            FieldSetting setting{field, 0};
            bool readable;
            if (!field->counter)
            {
                // strtof rounds to the nearest float, as the field stores it (overflow: infinity).
                char* end = nullptr;
                const float v = std::strtof(value.c_str(), &end);
                std::memcpy(&setting.bits, &v, sizeof v);
                readable = *end == '\0';
            }
            else
            {
                long count = 0;
                readable = ReadNumber(value.c_str(), INT32_MIN, count) && count <= INT32_MAX;
                setting.bits = static_cast<uint32_t>(static_cast<int32_t>(count));
            }
            if (!readable || !SettableBits(*field, setting.bits))
                return Fail("unreadable value '" + value + "' for field '" + std::string(name) + "'");
            AddSetting(drive, setting);
        }
        return true;
    }
};

} // namespace

bool ReadKeyScript(std::string_view text, Drive& drive, std::string& error)
{
    drive = Drive{};
    error.clear();
    CScriptReader reader{drive, error};
    for (size_t at = 0; at < text.size();)
    {
        const size_t end = std::min(text.find('\n', at), text.size());
        ++reader.number;
        if (end - at > kLongestLine)
            return reader.Fail("longer than " + std::to_string(kLongestLine) + " characters");
        if (!reader.Line(text.substr(at, end - at)))
            return false;
        at = end + 1;
    }
    return true;
}

bool ReadDriveText(std::string_view text, Drive& drive, std::string& said)
{
    said.clear();
    drive = Drive{};
    if (text.size() > kLongestScript)
        return (said = "the script is longer than the longest key script, " + Counted(kLongestScript) + " bytes"), false;
    if (const std::string_view link = FindLink(text); !link.empty())
        return ReadDriveLink(link, drive, said);
    return ReadKeyScript(text, drive, said);
}

int ReadDrive(const char* source, Drive& drive, std::string& said)
{
    if (const std::string_view link = FindLink(source); !link.empty())
        return ReadDriveLink(link, drive, said) ? 0 : 2;
    const bool standardInput = std::strcmp(source, "-") == 0;
    const std::string name = standardInput ? "standard input" : source;
    FILE* in = standardInput ? stdin : std::fopen(source, "rb");
    if (in == nullptr)
        return (said = "cannot read " + name + ": " + std::strerror(errno)), 1;
    // Read whole, but no more than the longest script and a byte: a longer one is refused.
    std::string text;
    for (size_t got = 1; got > 0 && text.size() <= kLongestScript;)
    {
        const size_t at = text.size(), piece = std::min<size_t>(1 << 16, kLongestScript + 1 - at);
        text.resize(at + piece);
        got = std::fread(&text[at], 1, piece, in);
        text.resize(at + got);
    }
    const int error = std::ferror(in) ? errno : 0;
    if (!standardInput)
        std::fclose(in);
    if (error != 0)
        return (said = "cannot read " + name + ": " + std::strerror(error)), 1;
    const bool good = ReadDriveText(text, drive, said);
    if (!said.empty() && !standardInput)
        said = name + ": " + said;
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
    for (long step = 0;; ++step)
    {
        if (settings != drive.settings.end() && settings->after == step)
        {
            text += "=";
            for (const FieldSetting& s : (settings++)->fields)
                text += std::string(" ") + s.field->name + " " + FieldText(*s.field, s.bits);
            text += "\n";
        }
        if (step == drive.Steps())
            return text;
        while (check != drive.checks.end() && check->step <= step)
            ++check;
        const bool hashed = check != drive.checks.end() && check->step == step + 1;
        text += (hashed ? StepLine(drive.keys[step], (check++)->hash) : KeyLetters(drive.keys[step])) + "\n";
    }
}

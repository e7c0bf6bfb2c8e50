#include "tools/CommandLine.h"

#include <cstdio>
#include <cstring>

CCommandLine::CCommandLine(const char* tool, std::vector<ToolOption> options, const char* operand, const char* input,
                           const char* help)
    : m_tool(tool), m_options(std::move(options)), m_operandName(operand), m_input(input), m_help(help)
{
}

int CCommandLine::Read(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0)
    {
        std::printf("%s\n%s", Usage().c_str(), m_help);
        return 0;
    }
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i];
        const ToolOption* option = nullptr;
        for (const ToolOption& o : m_options)
            if (std::strcmp(arg, o.name) == 0)
                option = &o;
        if (option != nullptr && option->value == nullptr)
        {
            option->take(nullptr);
            continue;
        }
        if (option != nullptr && i + 1 < argc)
        {
            if (!option->take(argv[++i]))
                return UsageError();
            continue;
        }
        // An operand: anything but an option, "-" included, once.
        if (option == nullptr && m_operandName != nullptr && m_operand == nullptr &&
            (arg[0] != '-' || std::strcmp(arg, "-") == 0))
        {
            m_operand = arg;
            continue;
        }
        return UsageError();
    }
    if (m_operandName != nullptr && m_operand == nullptr)
        return UsageError();
    return -1;
}

int CCommandLine::UsageError() const
{
    std::fprintf(stderr, "%s\n", Usage().c_str());
    return 2;
}

std::string CCommandLine::Bracketed(const ToolOption& option) const
{
    std::string text = std::string("[") + option.name + (option.value != nullptr ? std::string(" ") + option.value : "");
    for (const ToolOption& inner : m_options)
        if (inner.within != nullptr && std::strcmp(inner.within, option.name) == 0)
            text += " " + Bracketed(inner);
    return text + "]";
}

std::string CCommandLine::Usage() const
{
    std::string usage = std::string("usage: ") + m_tool;
    for (const ToolOption& option : m_options)
        if (option.within == nullptr)
            usage += " " + Bracketed(option);
    if (m_operandName != nullptr)
        usage += std::string(" ") + m_operandName;
    return usage + m_input;
}

#pragma once

#include <functional>
#include <string>
#include <vector>

/// One option of a tool's command line.
struct ToolOption
{
    const char* name;   ///< "--frame"
    const char* value;  ///< what follows it, as the usage names it ("FILE"), or null for a flag
    const char* within; ///< the option inside whose brackets the usage shows it, or null
    std::function<bool(const char* value)> take; ///< false when it is not a value the option takes
};

/// A tool's command line, read from one table of its options, whose usage line is written
/// from the same table: "usage: car_trace [--frame FILE] [--frames DIR [--every N]] < script".
class CCommandLine
{
public:
    /// `operand` names the one argument that is not an option ("FILE"; "-" is one too), or
    /// is null when there is none; `input` ends the usage line (" < script"); `help` is
    /// what --help prints after the usage line.
    CCommandLine(const char* tool, std::vector<ToolOption> options, const char* operand,
                 const char* input = "", const char* help = "");

    /// Reads the arguments. -1 when the tool goes on; otherwise the status it exits with:
    /// 0 after --help (the only argument) printed the usage and the help, 2 after the usage
    /// went to stderr for a command line it does not take.
    int Read(int argc, char* argv[]);

    /// The operand, or null.
    const char* Operand() const { return m_operand; }

    /// Prints the usage line to stderr and gives the status of a bad command line, 2.
    int UsageError() const;

    /// "usage: TOOL [OPTION VALUE]... OPERAND INPUT".
    std::string Usage() const;

private:
    std::string Bracketed(const ToolOption& option) const;

    const char* m_tool;
    std::vector<ToolOption> m_options;
    const char* m_operandName;
    const char* m_input;
    const char* m_help;
    const char* m_operand = nullptr;
};

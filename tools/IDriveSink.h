#pragma once

#include <string>

/// Where a recording's lines go: car_record's file, the page's memory.
class IDriveSink
{
public:
    virtual ~IDriveSink() = default;

    /// One line of the key script, without its newline.
    virtual void Append(const std::string& line) = 0;
};

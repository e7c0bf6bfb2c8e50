#include "tools/Trace.h"

#include <cinttypes>
#include <cstring>

#include "tools/CarFields.h"

std::string TraceHeader()
{
    std::string header = "step";
    for (const CarField& field : kCarFields)
        header += std::string(" ") + field.name;
    return header + " hash";
}

uint64_t PrintTraceLine(FILE* out, long step, const CPlayerCar& car)
{
    std::fprintf(out, "%ld", step);
    for (const CarField& field : kCarFields)
    {
        const uint32_t bits = FieldBits(field, car);
        if (field.count != nullptr)
        {
            int32_t count;
            std::memcpy(&count, &bits, sizeof count);
            std::fprintf(out, " %" PRId32, count);
        }
        else
        {
            float real;
            std::memcpy(&real, &bits, sizeof real);
            std::fprintf(out, " %.9g", static_cast<double>(real));
        }
    }
    const uint64_t hash = StateHash(car);
    std::fprintf(out, " %s\n", HashText(hash).c_str());
    return hash;
}

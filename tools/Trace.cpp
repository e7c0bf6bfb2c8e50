#include "tools/Trace.h"


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
        std::fprintf(out, " %s", FieldText(field, FieldBits(field, car)).c_str());
    const uint64_t hash = StateHash(car);
    std::fprintf(out, " %s\n", HashText(hash).c_str());
    return hash;
}

#pragma once

#include "effects/Look.h"

// Records shared by the effect tests and the benchmarks.
namespace effectrecords {

// Every gate of the chain on, every value at its default.
inline effects::Look everyGateOn()
{
    effects::Look record;
    record.setB_Chrome(1);
    record.setB_Instant(1);
    record.setB_Process(1);
    record.setB_Sepia(1);
    record.setB_Vignetting(1);
    record.setB_Gamma(1);
    record.setB_Exposure(1);
    record.setB_Noise(1);
    record.setB_Light(1);
    return record;
}

} // namespace effectrecords

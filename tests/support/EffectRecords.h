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

// Every gate on, and every effect of the projector at a strong setting.
inline effects::Look everyGateAndProjectorEffectOn()
{
    effects::Look record = everyGateOn();
    record.setB_Weave(1);
    record.setF_Weave(60);
    record.setB_Flicker(1);
    record.setF_Flicker(40);
    record.setI_Cadence(18);
    record.setI_Gate(2); // 1.37
    record.setB_Halation(1);
    record.setF_Halation(60);
    record.setI_Grain_Size(2);
    return record;
}

} // namespace effectrecords

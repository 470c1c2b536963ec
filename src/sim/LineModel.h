// The telephone line as sound, computed with the telephone exchanges' own DSP (spandsp) and the
// GSM 06.10 full-rate codec. Each direction: DTMF synthesis at the line's level -> the codec's
// encode and decode (G.711 A-law or u-law, or GSM 06.10) -> white noise at the signal-to-noise
// ratio -> the signal's echo (delay, attenuation) -> a DTMF detector whose real-time reports (tone
// on, tone off) give the digits heard with their start and end.
//
// Virtual time: the samples are computed as fast as the CPU allows; nothing waits. Each direction
// keeps its noise generator and codec state from one Carry to the next, so a seed gives the same
// sound for the same tones in the same order. Not thread-safe.
#pragma once

#include <memory>

#include "sim/SimConfig.h"
#include "sim/SimToneLine.h"

class CLineModel : public ISimToneLine {
public:
    explicit CLineModel(const SimSound& sound);
    ~CLineModel() override;
    CLineModel(const CLineModel&) = delete;
    CLineModel& operator=(const CLineModel&) = delete;

    std::vector<SimHeardTone> Carry(Direction direction, const std::vector<SimTone>& tones, int gapMs) override;

    // For SimConfig::makeToneLine.
    static std::unique_ptr<ISimToneLine> Make(const SimSound& sound);

private:
    struct Path;
    SimSound m_sound;
    std::unique_ptr<Path> m_paths[2]; // indexed by Direction
};

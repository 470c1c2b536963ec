// A telephone line that carries tones as sound: what the far side's DTMF detector reports of the
// tones played into one end. The simulated modem plays its tones to the unit through it, and the
// unit its answers back to the modem; an implementation that computes the sound lives beside the
// simulator (sim/LineModel.h), where the DSP libraries are.
#pragma once

#include <vector>

constexpr int SimSampleRate = 8000; // samples a second

// One tone to play: a DTMF digit ('0'-'9', '*', '#', 'A'-'D'), or '\0' for a sound that is no
// DTMF tone (heard as nothing), for ms milliseconds.
struct SimTone {
    char digit = '\0';
    int ms = 0;
};

// One tone as the detector reports it: its digit, from its start to its end, in samples from the
// start of the first tone played.
struct SimHeardTone {
    char digit = '\0';
    long startSample = 0;
    long endSample = 0;
};

class ISimToneLine {
public:
    enum class Direction {
        ToUnit,  // the modem plays, the unit's detector listens
        ToModem, // the unit plays, the modem's detector listens
    };
    virtual ~ISimToneLine() = default;
    // Plays the tones one after the other, each followed by gapMs of silence, and returns what
    // the detector at the other end reports, in order. A tone it missed is missing, a tone it
    // heard as two is there twice.
    virtual std::vector<SimHeardTone> Carry(Direction direction, const std::vector<SimTone>& tones, int gapMs) = 0;
};

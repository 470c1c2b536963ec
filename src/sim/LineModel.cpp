#include "sim/LineModel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

extern "C" {
#include <gsm.h>
}
#include <spandsp.h>

namespace {

constexpr int SamplesPerMs = SimSampleRate / 1000;
constexpr int LeadInMs = 20;   // silence (and noise) before the first tone
constexpr int TailMs = 120;    // after the last: long enough for the detector to see the tone end
constexpr int GsmFrame = 160;  // samples in one GSM 06.10 frame (20 ms)
constexpr int DetectorBlock = 102; // the DTMF detector's own block: its reports fall on block ends

int16_t Saturate(double value)
{
    return static_cast<int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

// What the detector's real-time callback reports, with the sample it was at.
struct DetectorLog {
    long position = 0; // samples fed to the detector before the current block
    std::vector<SimHeardTone> heard;
    bool inTone = false;

    void Report(int code)
    {
        if (inTone) {
            heard.back().endSample = position;
            inTone = false;
        }
        if (code != 0) {
            heard.push_back(SimHeardTone{static_cast<char>(code), position, position});
            inTone = true;
        }
    }
};

void OnToneReport(void* user, int code, int /*level*/, int /*delay*/)
{
    static_cast<DetectorLog*>(user)->Report(code);
}

} // namespace

// One direction of the line: its noise generator and codec, kept from one burst of tones to the
// next.
struct CLineModel::Path {
    awgn_state_t* noise = nullptr;
    gsm encoder = nullptr;
    gsm decoder = nullptr;

    ~Path()
    {
        if (noise != nullptr)
            awgn_free(noise);
        if (encoder != nullptr)
            gsm_destroy(encoder);
        if (decoder != nullptr)
            gsm_destroy(decoder);
    }
};

CLineModel::CLineModel(const SimSound& sound) : m_sound(sound)
{
    for (int direction = 0; direction < 2; ++direction) {
        auto path = std::make_unique<Path>();
        if (sound.noise) {
            // The two frequencies of a tone together are 3 dB above the level of each.
            const double noiseDbm0 = sound.levelDbm0 + 3.0103 - sound.snrDb;
            const int seed = static_cast<int>(sound.seed % 100000000u) * 2 + 1 + direction;
            path->noise = awgn_init_dbm0(nullptr, seed, static_cast<float>(noiseDbm0));
        }
        if (sound.codec == SimCodec::Gsm) {
            path->encoder = gsm_create();
            path->decoder = gsm_create();
        }
        m_paths[direction] = std::move(path);
    }
}

CLineModel::~CLineModel() = default;

std::unique_ptr<ISimToneLine> CLineModel::Make(const SimSound& sound)
{
    return std::make_unique<CLineModel>(sound);
}

std::vector<SimHeardTone> CLineModel::Carry(Direction direction, const std::vector<SimTone>& tones, int gapMs)
{
    Path& path = *m_paths[direction == Direction::ToUnit ? 0 : 1];
    const long lead = LeadInMs * SamplesPerMs;
    long total = lead + TailMs * SamplesPerMs;
    for (const SimTone& tone : tones)
        total += static_cast<long>(std::max(0, tone.ms) + std::max(0, gapMs)) * SamplesPerMs;
    if (m_sound.codec == SimCodec::Gsm)
        total = (total + GsmFrame - 1) / GsmFrame * GsmFrame;
    std::vector<int16_t> sound(static_cast<size_t>(total), 0);

    // The tones, one generator each: its on time the tone's length, its off time the gap.
    long at = lead;
    for (const SimTone& tone : tones) {
        const int onMs = std::max(0, tone.ms), offMs = std::max(0, gapMs);
        if (tone.digit != '\0' && onMs > 0) {
            dtmf_tx_state_t* tx = dtmf_tx_init(nullptr);
            dtmf_tx_set_level(tx, m_sound.levelDbm0, 0);
            dtmf_tx_set_timing(tx, onMs, offMs);
            const char digit[2] = {tone.digit, '\0'};
            dtmf_tx_put(tx, digit, 1);
            dtmf_tx(tx, sound.data() + at, static_cast<int>(total - at));
            dtmf_tx_free(tx);
        }
        at += static_cast<long>(onMs + offMs) * SamplesPerMs;
    }

    // The codec's round trip.
    switch (m_sound.codec) {
    case SimCodec::ALaw:
        for (int16_t& s : sound)
            s = alaw_to_linear(linear_to_alaw(s));
        break;
    case SimCodec::ULaw:
        for (int16_t& s : sound)
            s = ulaw_to_linear(linear_to_ulaw(s));
        break;
    case SimCodec::Gsm:
        for (long frame = 0; frame + GsmFrame <= total; frame += GsmFrame) {
            gsm_byte coded[33];
            gsm_encode(path.encoder, sound.data() + frame, coded);
            gsm_decode(path.decoder, coded, sound.data() + frame);
        }
        break;
    case SimCodec::None:
        break;
    }

    // Noise, and the echo of what came through the codec.
    std::vector<int16_t> heard(sound.size());
    const long echoDelay = static_cast<long>(m_sound.echoDelayMs) * SamplesPerMs;
    const double echoGain = std::pow(10.0, m_sound.echoDb / 20.0);
    for (long i = 0; i < total; ++i) {
        double value = sound[static_cast<size_t>(i)];
        if (path.noise != nullptr)
            value += awgn(path.noise);
        if (m_sound.echo && i >= echoDelay)
            value += echoGain * sound[static_cast<size_t>(i - echoDelay)];
        heard[static_cast<size_t>(i)] = Saturate(value);
    }

    // The far side's detector, in its own blocks so that each report falls where it happened.
    DetectorLog log;
    dtmf_rx_state_t* rx = dtmf_rx_init(nullptr, nullptr, nullptr);
    dtmf_rx_set_realtime_callback(rx, OnToneReport, &log);
    for (long i = 0; i < total; i += DetectorBlock) {
        const int count = static_cast<int>(std::min<long>(DetectorBlock, total - i));
        log.position = i + count;
        dtmf_rx(rx, heard.data() + i, count);
    }
    dtmf_rx_free(rx);
    if (log.inTone)
        log.heard.back().endSample = total;
    for (SimHeardTone& tone : log.heard) {
        tone.startSample = std::max(0L, tone.startSample - lead);
        tone.endSample = std::max(tone.startSample, tone.endSample - lead);
    }
    return log.heard;
}

#include "modem/DtmfCollector.h"

bool CDtmfCollector::IsDtmfCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D');
}

void CDtmfCollector::Reset()
{
    m_dlePending = false;
    m_inBurst = false;
    m_burstTone = '\0';
    m_lastTone = '\0';
}

CDtmfCollector::Item CDtmfCollector::Take(char byte, long long atMs)
{
    if (m_dlePending) {
        m_dlePending = false;
        return TakeCode(byte, atMs);
    }
    if (byte == Dle) {
        m_dlePending = true;
        return {Kind::Pending, byte};
    }
    return {Kind::Text, byte};
}

CDtmfCollector::Item CDtmfCollector::TakeCode(char code, long long atMs)
{
    switch (code) {
    case Dle:
        return {Kind::DataByte, code};
    case '\r':
    case '\n':
        return {Kind::LineEnd, code};
    case '/':
        m_shielded = true;
        m_inBurst = true;
        m_burstTone = '\0';
        return {Kind::Mark, code};
    case '~':
    case '-':
    case 0x7F:
        m_shielded = true;
        m_inBurst = false;
        m_burstTone = '\0';
        return {Kind::Mark, code};
    case 'b':
    case 'K':
        return {Kind::Busy, code};
    case 'd':
    case 'l':
        return {Kind::HangUp, code};
    default:
        break;
    }
    if (!IsDtmfCharacter(code))
        return {Kind::Event, code};
    if (!m_inBurst) {
        if (!m_shielded) {
            const bool repeat = atMs >= 0 && code == m_lastTone && atMs - m_lastToneMs <= RepeatWindowMs;
            m_lastTone = code;
            m_lastToneMs = atMs;
            return {repeat ? Kind::Repeat : Kind::Tone, code};
        }
        // A modem that shields its tones but sends no start mark: the tone opens its burst.
        m_inBurst = true;
    }
    if (code == m_burstTone)
        return {Kind::Repeat, code};
    // The burst's first tone, or another tone whose end mark was lost: it counts.
    m_burstTone = code;
    return {Kind::Tone, code};
}

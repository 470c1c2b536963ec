// What the modem's DLE codes mean, byte by byte. A voice modem puts DLE (0x10) before every code
// it reports: a received DTMF tone, a tone burst's start or end mark, an event (busy, silence,
// dial tone, ...) or DLE DLE for a data byte. The collector sees every byte the modem sends, in
// whatever chunks they came, and says what each one was.
//
// Tones: only 0-9 * # A-D are DTMF characters. A '#' modem reports each tone once. A V.253 modem
// shields a tone: DLE '/' before it, the tone repeated while it lasts, DLE '~' after it; others end
// with DLE 0x7F or DLE '-' and send no start mark. Inside such a burst a tone counts once however
// often it is repeated; outside bursts every reported tone counts. Once a modem has sent an end
// mark, every tone that follows an end mark opens a burst of its own, so the modems without start
// marks are read right from their second tone on (the first tone of an answer frame is its start
// tone 'C', which restarts the frame however often it comes). Some modems (Lucent/Agere) send no
// marks at all and report a tone again every 70 ms while it lasts: when the time of each byte is
// given, a tone equal to the one before that comes within RepeatWindowMs of its last report is
// that tone again, not a new one. The window is wide (reports come every 70 ms, but a loaded line
// or computer delivers them late) because the unit never plays one character twice in a row: its
// repeat mark 'B' stands for the second. Equal tones further apart count twice.
//
// One collector per call; touched by one thread only.
#pragma once

class CDtmfCollector {
public:
    enum class Kind {
        Text,     // not part of a DLE code: the byte belongs to the modem's text lines
        Pending,  // a DLE: its code is the next byte, in this chunk or the next
        Tone,     // a DTMF character, to be counted
        Repeat,   // the tone of the burst reported again: not counted
        Mark,     // a burst's start or end mark
        Busy,     // DLE 'b' or 'K': a busy tone
        HangUp,   // DLE 'd' (dial tone) or 'l' (loop current dropped): the far end hung up
        Event,    // any other event code (silence, dial tone, ring, hook, ...): ignored
        DataByte, // DLE DLE: a data byte, not a code
        LineEnd,  // a DLE followed by CR or LF: the line ends there
    };
    struct Item {
        Kind kind;
        char code; // the byte after the DLE (the byte itself for Text and Pending)
    };

    static constexpr char Dle = 0x10;
    static constexpr long long RepeatWindowMs = 500;

    // One received byte, and when it came in milliseconds on a steady clock (-1: not known, then
    // every unshielded report counts).
    Item Take(char byte, long long atMs = -1);
    // Forgets a DLE still waiting for its code and any burst under way.
    void Reset();
    // True when the modem has shown that it shields its tones (a start or end mark came).
    bool Shielded() const { return m_shielded; }

    static bool IsDtmfCharacter(char c);

private:
    Item TakeCode(char code, long long atMs);

    bool m_dlePending = false;
    bool m_inBurst = false;
    char m_burstTone = '\0'; // the tone counted in this burst; '\0' before its first
    bool m_shielded = false;
    char m_lastTone = '\0'; // without marks: the last tone reported, and when
    long long m_lastToneMs = 0;
};

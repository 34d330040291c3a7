#pragma once

#include <QtGlobal>

#include <bitset>

// The frame count bit that the next request to each M-Bus address carries,
// for the whole run of the program. A meter that sees the bit unchanged
// takes the request for a repetition and sends its last answer again, so
// the bit must follow every exchange that the meter counted.
class FcbState {
public:
    bool Get(quint8 address) const { return m_Bits.test(address); }
    void Set(quint8 address, bool bit) { m_Bits.set(address, bit); }
    void Toggle(quint8 address) { m_Bits.flip(address); }

private:
    std::bitset<256> m_Bits;
};

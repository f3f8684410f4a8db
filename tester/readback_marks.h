#pragma once

#include "tester/port_index.h"

#include <cstdint>
#include <utility>

// Output pins whose level read at the last poll differs from the level they
// drive: a shorted or overloaded output, which its caption cannot show since
// an output shows the level it drives.
class ReadbackMarks
{
public:
    // Port P was polled. Every output that read otherwise is marked; a port
    // that did not answer was not read and has no marks.
    void Polled(PortIndex P, std::uint8_t dir, std::uint8_t in, std::uint8_t out, bool answered)
    {
        m_marked[P] = answered ? static_cast<std::uint8_t>(~dir & (in ^ out)) : 0;
    }
    // After any other change to port P: a mark stays only while its pin is an
    // output that still drives the level the poll found otherwise.
    void Changed(PortIndex P, std::uint8_t dir, std::uint8_t in, std::uint8_t out)
    {
        m_marked[P] &= static_cast<std::uint8_t>(~dir & (in ^ out));
    }
    bool Marked(PortIndex P, int n) const { return (m_marked[P] >> n) & 1; }
    // The marks of port P that differ from those last shown, which become
    // the shown ones.
    std::uint8_t TakeShownChanges(PortIndex P)
    {
        return static_cast<std::uint8_t>(std::exchange(m_shown[P], m_marked[P]) ^ m_marked[P]);
    }

private:
    std::uint8_t m_marked[kPortCount] = {};
    std::uint8_t m_shown[kPortCount] = {};
};

#pragma once

#include <cstdint>
#include <map>
#include <vector>

// What a test found out about one pin.
struct PinVerdict
{
    enum class Kind { Ok, StuckAt0, StuckAt1, Open, Shorted, Erratic };
    Kind kind = Kind::Ok;
    // The pins it is shorted to, or the other end of its open wire.
    std::vector<int> partners;
};

// Judges pins from the levels a test drove on wires and the levels the pins
// read. Every pin is on a wire (pins on one wire should read alike; a pin
// with nothing wired to it is a wire of its own). A pin that always reads
// one level is stuck at it, or, when every pin on its wire always reads
// high, the wire is open. A pin that reads low whenever its own wire or
// certain other wires are driven low is shorted to the pins on those wires.
// Pins are numbered port * 8 + bit.
class PinDiagnosis
{
public:
    void AddPin(int pin, int wire)
    {
        m_wireOf[pin] = wire;
        m_observations[pin];
    }
    // Starts a step: bit w of wireLevels is the level driven on wire w.
    void Step(std::uint32_t wireLevels) { m_wireLevels = wireLevels; }
    // What the pin read during the current step.
    void Reading(int pin, bool level) { m_observations[pin].push_back({m_wireLevels, level}); }

    // A verdict for every pin added, by pin number.
    std::map<int, PinVerdict> Verdicts() const;

private:
    struct Observation
    {
        std::uint32_t wireLevels;
        bool level;
    };

    PinVerdict Judge(int pin) const;
    // Whether the pin ever read otherwise than its wire was driven.
    bool Deviates(int pin) const;

    std::map<int, int> m_wireOf;
    std::map<int, std::vector<Observation>> m_observations;
    std::uint32_t m_wireLevels = 0;
};

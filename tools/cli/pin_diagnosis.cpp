#include "tools/cli/pin_diagnosis.h"

#include <algorithm>
#include <set>

namespace {

bool Level(std::uint32_t wireLevels, int wire)
{
    return (wireLevels >> wire) & 1;
}

} // namespace

bool PinDiagnosis::Deviates(int pin) const
{
    const std::vector<Observation> &observations = m_observations.at(pin);
    return std::any_of(observations.begin(), observations.end(),
                       [&](const Observation &o) { return o.level != Level(o.wireLevels, m_wireOf.at(pin)); });
}

PinVerdict PinDiagnosis::Judge(int pin) const
{
    const std::vector<Observation> &observations = m_observations.at(pin);
    if (!Deviates(pin))
        return {};
    auto always = [&](bool level) {
        return std::all_of(observations.begin(), observations.end(), [&](const Observation &o) { return o.level == level; });
    };
    if (always(false))
        return {PinVerdict::Kind::StuckAt0, {}};
    if (always(true))
        return {PinVerdict::Kind::StuckAt1, {}};

    // The other wires that pull the pin low whenever they are low and its
    // own wire is high; it must have read as the AND of them all.
    const int wire = m_wireOf.at(pin);
    std::set<int> wires;
    for (const auto &[other, otherWire] : m_wireOf)
        wires.insert(otherWire);
    std::uint32_t partnerWires = 0;
    for (int other : wires) {
        bool seen = false;
        bool pulls = other != wire;
        for (const Observation &o : observations) {
            if (Level(o.wireLevels, wire) && !Level(o.wireLevels, other)) {
                seen = true;
                pulls = pulls && !o.level;
            }
        }
        if (seen && pulls)
            partnerWires |= 1u << other;
    }
    const bool explained = partnerWires != 0 && std::all_of(observations.begin(), observations.end(), [&](const Observation &o) {
        return o.level == (Level(o.wireLevels, wire) && (o.wireLevels & partnerWires) == partnerWires);
    });
    if (!explained)
        return {PinVerdict::Kind::Erratic, {}};

    // Name the pins on those wires that read wrong too; if none does, all of them.
    PinVerdict verdict{PinVerdict::Kind::Shorted, {}};
    for (bool deviatingOnly : {true, false}) {
        for (const auto &[other, otherWire] : m_wireOf) {
            if (Level(partnerWires, otherWire) && (!deviatingOnly || Deviates(other)))
                verdict.partners.push_back(other);
        }
        if (!verdict.partners.empty())
            break;
    }
    return verdict;
}

std::map<int, PinVerdict> PinDiagnosis::Verdicts() const
{
    std::map<int, PinVerdict> verdicts;
    for (const auto &[pin, wire] : m_wireOf)
        verdicts[pin] = Judge(pin);
    // A wire whose pins all read high, whoever drives it low, is open.
    for (auto &[pin, verdict] : verdicts) {
        if (verdict.kind != PinVerdict::Kind::StuckAt1 && verdict.kind != PinVerdict::Kind::Open)
            continue;
        for (const auto &[other, otherVerdict] : verdicts) {
            const bool highToo = otherVerdict.kind == PinVerdict::Kind::StuckAt1 || otherVerdict.kind == PinVerdict::Kind::Open;
            if (other != pin && m_wireOf.at(other) == m_wireOf.at(pin) && highToo) {
                verdict.kind = PinVerdict::Kind::Open;
                verdict.partners.push_back(other);
            }
        }
    }
    return verdicts;
}

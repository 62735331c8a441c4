#include "tools/render/TempoMap.h"

#include <algorithm>
#include <cmath>

namespace qor {

TempoMap::TempoMap() { build({}, {}); }

TempoMap TempoMap::metrical(int ticksPerQuarter, std::vector<TempoChange> tempos,
                            std::vector<TimeSignatureChange> signatures)
{
    TempoMap map;
    map.smpte_ = false;
    map.ticksPerQuarter_ = std::max(ticksPerQuarter, 1);
    map.build(std::move(tempos), std::move(signatures));
    return map;
}

TempoMap TempoMap::smpte(double ticksPerSecond, std::vector<TempoChange> tempos,
                         std::vector<TimeSignatureChange> signatures)
{
    TempoMap map;
    map.smpte_ = true;
    map.ticksPerSecond_ = ticksPerSecond > 0.0 ? ticksPerSecond : 1.0;
    map.build(std::move(tempos), std::move(signatures));
    return map;
}

void TempoMap::build(std::vector<TempoChange> tempos, std::vector<TimeSignatureChange> signatures)
{
    // Stable, so of several changes at one tick the last in the file wins.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    segments_.clear();
    segments_.push_back({0, 0.0, 0.0, 500000});
    for (const TempoChange& change : tempos) {
        if (change.microsPerQuarter == 0) continue;
        Segment& last = segments_.back();
        if (change.tick == last.tick) {
            last.microsPerQuarter = change.microsPerQuarter;
            continue;
        }
        Segment next{};
        next.tick = change.tick;
        next.microsPerQuarter = change.microsPerQuarter;
        if (smpte_) {
            next.seconds = static_cast<double>(change.tick) / ticksPerSecond_;
            next.quarters = last.quarters + (next.seconds - last.seconds) * 1e6 / last.microsPerQuarter;
        } else {
            next.seconds = last.seconds + static_cast<double>(change.tick - last.tick) * last.microsPerQuarter /
                                              (ticksPerQuarter_ * 1e6);
            next.quarters = static_cast<double>(change.tick) / ticksPerQuarter_;
        }
        segments_.push_back(next);
    }

    std::stable_sort(signatures.begin(), signatures.end(),
                     [](const TimeSignatureChange& a, const TimeSignatureChange& b) { return a.tick < b.tick; });
    signatures_.clear();
    signatures_.push_back({0.0, 4, 4});
    for (const TimeSignatureChange& change : signatures) {
        if (change.numerator <= 0 || change.denominator <= 0) continue;
        const double quarters = quartersAtTick(change.tick);
        if (quarters <= signatures_.back().quarters) {
            signatures_.back().numerator = change.numerator;
            signatures_.back().denominator = change.denominator;
        } else {
            signatures_.push_back({quarters, change.numerator, change.denominator});
        }
    }
}

const TempoMap::Segment& TempoMap::segmentAtTick(uint64_t tick) const
{
    auto it = std::upper_bound(segments_.begin(), segments_.end(), tick,
                               [](uint64_t t, const Segment& s) { return t < s.tick; });
    return *(it - 1);
}

const TempoMap::Segment& TempoMap::segmentAtSeconds(double seconds) const
{
    auto it = std::upper_bound(segments_.begin(), segments_.end(), seconds,
                               [](double s, const Segment& seg) { return s < seg.seconds; });
    return it == segments_.begin() ? segments_.front() : *(it - 1);
}

double TempoMap::secondsAt(uint64_t tick) const
{
    if (smpte_) return static_cast<double>(tick) / ticksPerSecond_;
    const Segment& seg = segmentAtTick(tick);
    return seg.seconds +
           static_cast<double>(tick - seg.tick) * seg.microsPerQuarter / (ticksPerQuarter_ * 1e6);
}

double TempoMap::quartersAtTick(uint64_t tick) const
{
    if (!smpte_) return static_cast<double>(tick) / ticksPerQuarter_;
    return positionAt(static_cast<double>(tick) / ticksPerSecond_).quarters;
}

MusicalPosition TempoMap::positionAt(double seconds) const
{
    seconds = std::max(seconds, 0.0);
    const Segment& seg = segmentAtSeconds(seconds);
    MusicalPosition pos;
    pos.quarters = seg.quarters + (seconds - seg.seconds) * 1e6 / seg.microsPerQuarter;
    pos.tempo = 60e6 / seg.microsPerQuarter;

    // A change of metre is taken to start a bar; bars then repeat from it.
    auto it = std::upper_bound(signatures_.begin(), signatures_.end(), pos.quarters,
                               [](double q, const Signature& s) { return q < s.quarters; });
    const Signature& sig = it == signatures_.begin() ? signatures_.front() : *(it - 1);
    const double barLength = sig.numerator * 4.0 / sig.denominator;
    pos.barStartQuarters = sig.quarters + std::floor((pos.quarters - sig.quarters) / barLength + 1e-9) * barLength;
    pos.numerator = sig.numerator;
    pos.denominator = sig.denominator;
    return pos;
}

}  // namespace qor

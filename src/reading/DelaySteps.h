#pragma once

namespace zk {

// The delay spinner's step table and snaps.
class DelaySteps final {
public:
    static constexpr int Minimum = 50;
    static constexpr int Maximum = 9000;
    static constexpr int Default = 140;

    // Step of the arrows for the next press from value v.
    static int stepFor(int v);
    // 110, 220, 550 and 1100 are never shown: they snap to the next value of the walk.
    static int snap(int v);

    // "Разгон": a run's first RampMs go from twice the delay down to the delay.
    static constexpr int RampMs = 10000;
    static int rampInterval(int delay, long long sinceStartMs);
};

} // namespace zk

#include "reading/DelaySteps.h"

namespace zk {

int DelaySteps::stepFor(int v) {
    if (v <= 100)
        return 10;
    if (v <= 200)
        return 20;
    if (v <= 500)
        return 50;
    if (v <= 1000)
        return 100;
    return 500;
}

int DelaySteps::snap(int v) {
    switch (v) {
    case 110:
        return 120;
    case 220:
        return 250;
    case 550:
        return 600;
    case 1100:
        return 1500;
    default:
        return v;
    }
}

int DelaySteps::rampInterval(int delay, long long sinceStartMs) {
    if (sinceStartMs >= RampMs || sinceStartMs < 0)
        return delay;
    return delay + static_cast<int>(delay * (RampMs - sinceStartMs) / RampMs);
}

} // namespace zk

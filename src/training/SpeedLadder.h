#pragma once

#include "training/ComprehensionCheck.h"

#include <QString>

namespace zk {

// The speed ladder: a checked run moves the next run's delay one step of the delay
// spinner's walk, shorter when understood well, longer when understood poorly.
class SpeedLadder final {
public:
    static constexpr int FasterFromPercent = 80;
    static constexpr int SlowerUpToPercent = 40;

    struct Step {
        int from = 0;
        int to = 0;
        // "Задержка 120 → 100 мс: понято 5 из 5"
        QString message;
    };

    static Step next(int delayMs, const CheckScore &score);
    // The neighbouring values of the walk 50, 60 … 100, 120 … 9000; the ends stay.
    static int shorter(int delayMs);
    static int longer(int delayMs);
};

} // namespace zk

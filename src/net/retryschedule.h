#pragma once

#include <chrono>
#include <functional>

// The pauses between attempts to reach a service that cannot be reached: about 2, 4, 8 and 16
// units, then 30 units each time, every one up to a tenth longer or shorter at random, so that
// clients that lost the service together do not come back in step. A unit is a second; tests
// shorten it.
class RetrySchedule {
public:
    static constexpr std::chrono::milliseconds kDefaultUnit {1000};
    // Uniform in [0, 1)
    using RandomSource = std::function<double()>;

    // Without a random source, the program's shared generator is used.
    explicit RetrySchedule(std::chrono::milliseconds unit = kDefaultUnit, RandomSource random = {});

    // The next pause, growing with each call up to the longest
    std::chrono::milliseconds nextPause();
    // Back to the first pause, once the service answers
    void reset() { m_attempt = 0; }

private:
    std::chrono::milliseconds m_unit;
    RandomSource m_random;
    int m_attempt = 0;
};

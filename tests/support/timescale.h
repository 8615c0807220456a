#pragma once

#include <QtGlobal>
#include <chrono>

// Every time bound of the tests is a multiple of one factor, QUILLPOD_TIME_SCALE (default 1),
// so that a slower build (the sanitizers) can stretch them all at once.
inline int timeScale()
{
    static const int scale = [] {
        bool ok = false;
        const int value = qEnvironmentVariableIntValue("QUILLPOD_TIME_SCALE", &ok);
        return ok && value > 0 ? value : 1;
    }();
    return scale;
}

// A bound in milliseconds, stretched by the time scale
inline int scaled(int milliseconds)
{
    return milliseconds * timeScale();
}

inline std::chrono::milliseconds scaled(std::chrono::milliseconds bound)
{
    return bound * timeScale();
}

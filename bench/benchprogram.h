#pragma once

#include "benchoptions.h"

#include <QCoreApplication>

#include <memory>

// How every benchmark starts: the application object, then its command line read. A benchmark
// that shows no window takes a core application, which loads no platform plugin and no fonts.
class BenchProgram {
public:
    enum class Kind { Widgets, Console };

    BenchProgram(int &argc, char **argv, Kind kind = Kind::Widgets);
    ~BenchProgram();

    const BenchOptions &options() const { return m_options; }

private:
    std::unique_ptr<QCoreApplication> m_app;
    BenchOptions m_options;
};

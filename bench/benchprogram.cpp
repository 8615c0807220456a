#include "benchprogram.h"

#include <QApplication>

namespace {

std::unique_ptr<QCoreApplication> application(int &argc, char **argv, BenchProgram::Kind kind)
{
    if (kind == BenchProgram::Kind::Console)
        return std::make_unique<QCoreApplication>(argc, argv);
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

BenchProgram::BenchProgram(int &argc, char **argv, Kind kind)
    : m_app(application(argc, argv, kind)), m_options(BenchOptions::parse(*m_app))
{
}

BenchProgram::~BenchProgram() = default;

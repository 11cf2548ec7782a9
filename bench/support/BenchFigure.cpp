#include "BenchFigure.h"

#include <cstdio>

void BenchFigure::print(const QString &name, double value, const QString &unit, double budget)
{
    std::printf("figure|%s|%.4g|%s|%.4g\n", qUtf8Printable(name), value, qUtf8Printable(unit),
                budget);
    std::fflush(stdout);
}

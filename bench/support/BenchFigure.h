#pragma once

#include <QString>

// One measured figure for bench/run, printed on its own line of standard output:
//   figure|<name>|<value>|<unit>|<budget>
// The budget is the largest acceptable value, in the same unit.
namespace BenchFigure {

void print(const QString &name, double value, const QString &unit, double budget);

} // namespace BenchFigure

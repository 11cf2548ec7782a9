#pragma once

#include <QLatin1StringView>

class QQuickWindow;

// Start-up measurement for benchmarks. A program started with --exit-after-first-frame prints
// one line when its window's first frame has been swapped and then quits:
//   first-frame ms=<since process start> maxrss-kib=<peak resident memory so far>
//   webengine-lib=<0|1> webengine-processes=<count>
// The start is the kernel's start time of the process (/proc/self/stat), so dynamic loading
// and static initialisation are included. webengine-lib tells whether libQt6WebEngineCore is
// mapped into the process; webengine-processes counts the web engine's helper processes.
namespace FirstFrameProbe {

inline constexpr QLatin1StringView option{"--exit-after-first-frame"};

// Whether `option` is among the arguments.
[[nodiscard]] bool requested(int argc, char **argv);

// Reports and quits on the first frameSwapped of `window`.
void install(QQuickWindow &window);

} // namespace FirstFrameProbe

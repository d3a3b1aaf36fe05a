#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace Corvane::Sim {

// Starts argv[0] (searched in PATH) under umockdev-wrapper inside the testbed
// at root. stdout and stderr go to outputPath when given (appended). When
// $CORVANE_EMULATOR names an emulator, argv runs through it.
pid_t spawnInTestbed(const std::string& root, const std::vector<std::string>& argv,
                     const std::string& outputPath = {});

// Re-executes the current program with the umockdev preload when it is not
// already loaded, so that a test process can build a testbed and call the
// board services directly (through $CORVANE_EMULATOR when set). Returns
// only when the preload is in place.
void reexecUnderPreload(int argc, char** argv);

}  // namespace Corvane::Sim

#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace Corvane::Sim {

// The board's own file system root, "<testbed>/rootfs": a program started on
// the board sees it as "/" in a private mount namespace. Every entry of the
// host's "/" and "/var" is bound into it, except what the board holds itself:
// the directory /var/volatile and whatever is created at the top level (the
// /nostart marker), so writing them leaves the host untouched.
std::string boardRootOf(const std::string& root);

// Starts argv[0] (searched in PATH) under umockdev-wrapper inside the testbed
// at root, seeing the board's root as "/" (when mount namespaces can be made:
// root, or CAP_SYS_ADMIN). stdout and stderr go to outputPath when given
// (appended). When $CORVANE_EMULATOR names an emulator, argv runs through it.
pid_t spawnInTestbed(const std::string& root, const std::vector<std::string>& argv,
                     const std::string& outputPath = {});

// Runs function in a child process that sees the board's root as "/" and
// returns its result (0-254), or -1 when the child could not enter it or did
// not exit normally. For a test process that calls the board services itself.
int runInBoardRoot(const std::string& root, int (*function)());

// Re-executes the current program with the umockdev preload when it is not
// already loaded, so that a test process can build a testbed and call the
// board services directly (through $CORVANE_EMULATOR when set). Returns
// only when the preload is in place.
void reexecUnderPreload(int argc, char** argv);

}  // namespace Corvane::Sim

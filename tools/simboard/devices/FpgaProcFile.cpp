#include "FpgaProcFile.h"

#include <sstream>

#include "Testbed.h"

namespace Corvane::Sim {

void FpgaProcFile::install(Testbed& testbed) {
    std::ostringstream text;
    // The driver prints more than the two lines the software parses; the
    // extra line shows that nothing depends on what follows them.
    text << "fpga_version: " << info_.major << '.' << info_.minor << '.' << info_.patch << '+'
         << info_.build << "\nfpga_design_id: " << info_.designId << "\nlink: x4 gen2\n";
    setText(testbed, text.str());
}

void FpgaProcFile::setText(const Testbed& testbed, const std::string& text) {
    testbed.put(devicePath, text);
}

void FpgaProcFile::remove(const Testbed& testbed) {
    testbed.remove(devicePath);
}

}  // namespace Corvane::Sim

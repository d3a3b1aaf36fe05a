#include "BoardIdLines.h"

#include <stdexcept>
#include <string>

#include "Testbed.h"

namespace Corvane::Sim {

const std::vector<unsigned int>& boardLines(Board board) {
    static const std::vector<unsigned int> lines[3] = {
        {127, 126, 125, 124, 123, 122, 121},
        {508, 507, 506, 505, 504},
        {502, 501, 500, 499, 498, 497, 496},
    };
    return lines[static_cast<int>(board)];
}

void BoardIdLines::install(Testbed& testbed) {
    for (Board board : {Board::main, Board::mezzanine, Board::frontPanel}) {
        set(testbed, board, ids_[static_cast<int>(board)]);
    }
}

void BoardIdLines::set(const Testbed& testbed, Board board, std::optional<int> id) {
    const auto& lines = boardLines(board);
    if (id && (*id < 0 || *id >= (1 << lines.size()))) {
        throw std::invalid_argument("board identity " + std::to_string(*id) + " does not fit " +
                                    std::to_string(lines.size()) + " lines");
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = "/sys/class/gpio/gpio" + std::to_string(lines[i]);
        if (!id) {
            testbed.remove(line);
            continue;
        }
        const int bit = (*id >> (lines.size() - 1 - i)) & 1;
        testbed.put(line + "/value", bit ? "1\n" : "0\n");
    }
}

}  // namespace Corvane::Sim

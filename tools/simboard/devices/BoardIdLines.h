#pragma once

#include <optional>
#include <vector>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// Board identities as the board-id lines encode them: 0 main, 1 mezzanine,
// 2 front panel.
enum class Board : int { main = 0, mezzanine = 1, frontPanel = 2 };

// GPIO numbers of a board's identity lines, most significant first.
const std::vector<unsigned int>& boardLines(Board board);

// The sysfs GPIO value files of the three boards' identity lines. An
// identity left empty means the board is not fitted: its lines are absent.
class BoardIdLines : public SimulatedDevice {
public:
    BoardIdLines(std::optional<int> mainId, std::optional<int> mezzanineId,
                 std::optional<int> frontPanelId)
        : ids_{mainId, mezzanineId, frontPanelId} {}
    void install(Testbed& testbed) override;

    // Sets a board's lines to id, or removes them for nothing. Throws
    // std::invalid_argument when the value does not fit the board's lines.
    static void set(const Testbed& testbed, Board board, std::optional<int> id);

private:
    std::optional<int> ids_[3];
};

}  // namespace Corvane::Sim

#pragma once

#include <QPalette>

class QStandardItem;

namespace Corvane {

// Colours a status tree so that a problem deep down shows on every ancestor:
// red for an error, yellow for a warning, white for something present. An
// error outranks a warning, and clearing never repaints an ancestor that
// still has a coloured child.
class StatusColourPropagator {
public:
    // Paints item and its ancestors red (error) or yellow (warning); with
    // neither, nothing changes. Returns error, or false when a warning walk
    // stopped at an ancestor with a red child.
    static bool ValidateAndPropagateErrorWarning(QStandardItem* item, bool error, bool warning,
                                                 QPalette& palette);

    // Paints item and its ancestors white (present) or back to the palette's
    // text colour, stopping at anything red or yellow. Returns present, or
    // false when clearing stopped at an ancestor with a coloured child.
    static bool PropagatePresence(QStandardItem* item, bool present, QPalette& palette);
};

}  // namespace Corvane

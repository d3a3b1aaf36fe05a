#pragma once

#include <QString>
#include <array>
#include <cstddef>

namespace Corvane {

// The text of a message identifier from a table indexed by identifier;
// identifiers outside the table (negative ones too) have no text.
template <std::size_t N>
QString messageText(const std::array<const char*, N>& table, int identifier) {
    if (identifier < 0 || static_cast<std::size_t>(identifier) >= N) {
        return QString();
    }
    return QString::fromUtf8(table[static_cast<std::size_t>(identifier)]);
}

}  // namespace Corvane

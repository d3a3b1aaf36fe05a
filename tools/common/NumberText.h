#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace Corvane::Tools {

// A command-line number: decimal, or hexadecimal with a 0x prefix. A leading
// zero does not switch to octal, which would surprise anyone typing "010".
inline std::optional<std::uint32_t> parseNumber(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    qulonglong value = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        value = t.mid(2).toULongLong(&ok, 16);
        ok = ok && t.size() > 2;
    } else {
        value = t.toULongLong(&ok, 10);
    }
    if (!ok || value > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace Corvane::Tools

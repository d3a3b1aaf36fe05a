#include "app/JsonText.h"

#include <QJsonArray>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace Corvane {
namespace {

// Qt 5.15's parser refuses a document nested deeper than this (arrays and
// objects alike, DeepNesting) before it builds anything more, so the scan
// need not look further either: it stops there instead of keeping a frame for
// every bracket of a hostile text.
constexpr size_t kMaxNesting = 1024;

// Above this many keys an object's keys are sorted to find a repeat; below,
// comparing a key with the ones before it (when a hash bit says they might
// be alike) is cheaper.
constexpr size_t kPairwiseKeys = 16;

// What each byte is to the scan outside strings: a bracket or a comma counts
// as a value (the bound of maxValues), a quote opens a string, the rest is
// passed over.
enum Structure : unsigned char { other, quote, open, close, comma };
constexpr std::array<Structure, 256> kStructure = [] {
    std::array<Structure, 256> table{};
    table['"'] = quote;
    table['{'] = table['['] = open;
    table['}'] = table[']'] = close;
    table[','] = comma;
    return table;
}();

// Bytes of a string that end it or make it other than plain ASCII.
constexpr std::array<bool, 256> kSpecialInString = [] {
    std::array<bool, 256> table{};
    table['"'] = table['\\'] = table[0] = true;
    for (size_t c = 0x80; c < 256; ++c) {
        table[c] = true;
    }
    return table;
}();

// The scan passes over most bytes; it looks at eight at a time for the few
// it stops at. Each function gives the high bit of every byte of `word` (the
// text's next eight bytes, the first one lowest) that is a stop; only the
// lowest flag is exact, which is the one the scan takes.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first byte must be the lowest");
constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

std::uint64_t bytesEqual(std::uint64_t word, unsigned char c) {
    const std::uint64_t x = word ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighBits;
}

// A quote, a bracket or a comma ('[' and '{', ']' and '}' differ in 0x20 only).
std::uint64_t structureIn(std::uint64_t word) {
    const std::uint64_t folded = word | (kOnes * 0x20);
    return bytesEqual(word, '"') | bytesEqual(word, ',') | bytesEqual(folded, '{') |
           bytesEqual(folded, '}');
}

// What ends a string or makes it other than plain ASCII.
std::uint64_t specialInString(std::uint64_t word) {
    return bytesEqual(word, '"') | bytesEqual(word, '\\') | bytesEqual(word, 0) |
           (word & kHighBits);
}

// Why a document is refused before Qt builds it.
struct Refusal {
    int offset = -1;  // of the key; -1: nothing refused
    std::string_view key;
    bool nul = false;  // the key holds U+0000 (then `key` is empty)
    // Set instead of `offset` when nesting passes kMaxNesting: the length of
    // the text up to and including the bracket one level too deep.
    int tooDeepAt = -1;
    // Set instead of `offset` when the text holds more values than allowed:
    // the offset of the comma or bracket that passed the bound.
    int tooLargeAt = -1;
};

// Finds a repeated key, or a key holding U+0000, without building anything.
// Qt compares two ASCII keys only up to their first NUL, so keys that differ
// after it count as one and the first value leaks just as for a repeat; no
// writer of ours produces such a key, so any key holding one is refused.
// Qt's parser leaks only when it completes an object, so each object's keys
// are checked at its closing brace; the scan does not validate, and stops
// where the structure stops making sense (Qt fails there or earlier,
// completing nothing more).
class KeyScan {
public:
    KeyScan(const QByteArray& text, qint64 maxValues)
        : text_(text.constData(), static_cast<size_t>(text.size())),
          valuesLeft_(maxValues < 0 ? std::numeric_limits<qint64>::max() : maxValues) {
        frames_.reserve(8);
        keys_.reserve(32);
    }

    Refusal run() {
        const size_t size = text_.size();
        size_t i = 0;
        for (;;) {
            i = next<structureIn>(i, kStructure);
            if (i >= size) {
                return {};
            }
            const Structure what = kStructure[byte(i)];
            if (what == quote) {
                bool plain = true;
                const size_t end = stringEnd(i, plain);
                if (end == std::string_view::npos) {
                    return {};
                }
                if (!frames_.empty() && frames_.back().object && frames_.back().expectKey) {
                    frames_.back().expectKey = false;
                    const Added added = addKey(i, end, plain);
                    if (added == Added::broken) {
                        return {};
                    }
                    if (added == Added::holdsNul) {
                        return {static_cast<int>(i), {}, true};
                    }
                }
                i = end;
                continue;
            }
            if (what != close && --valuesLeft_ < 0) {
                Refusal large;
                large.tooLargeAt = static_cast<int>(i);
                return large;
            }
            const bool brace = text_[i] == '{' || text_[i] == '}';
            if (what == open) {
                if (frames_.size() == kMaxNesting) {
                    Refusal deep;
                    deep.tooDeepAt = static_cast<int>(i + 1);
                    return deep;
                }
                frames_.push_back({brace, brace, keys_.size()});
            } else if (what == close) {
                if (frames_.empty() || frames_.back().object != brace) {
                    return {};
                }
                if (brace) {
                    if (const Refusal r = repeatIn(frames_.back().firstKey); r.offset >= 0) {
                        return r;
                    }
                }
                keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(frames_.back().firstKey),
                            keys_.end());
                frames_.pop_back();
            } else if (!frames_.empty() && frames_.back().object) {  // a comma
                frames_.back().expectKey = true;
            }
            ++i;
        }
    }

private:
    struct Frame {
        bool object;
        bool expectKey;
        size_t firstKey;  // index in keys_ of this object's first key
    };
    struct Key {
        Key(std::string_view n, int at)
            : name(n), offset(at), tag(n.empty() ? 0 : n.size() << 8 | byteOf(n.back())) {}
        std::string_view name;  // decoded when the text holds escapes
        int offset;
        // The length and the last byte: one comparison tells most keys of an
        // object apart (Value1, Value2, ...) before their bytes are compared.
        size_t tag;
        bool operator==(const Key& other) const { return tag == other.tag && name == other.name; }
    };

    // The first byte from `i` on that `stops` flags (`table` says the same
    // of one byte, for the last few), or a position past the text.
    template <std::uint64_t (*stops)(std::uint64_t), typename Table>
    size_t next(size_t i, const Table& table) const {
        for (; i + 8 <= text_.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, text_.data() + i, 8);
            if (const std::uint64_t found = stops(word); found != 0) {
                return i + static_cast<size_t>(__builtin_ctzll(found)) / 8;
            }
        }
        while (i < text_.size() && !table[byte(i)]) {
            ++i;
        }
        return i;
    }

    static size_t byteOf(char c) { return static_cast<unsigned char>(c); }
    size_t byte(size_t i) const { return byteOf(text_[i]); }

    // One past the closing quote of the string opening at `quote`; `plain`
    // is cleared when the string holds an escape, a NUL or a non-ASCII byte.
    size_t stringEnd(size_t quote, bool& plain) const {
        for (size_t i = next<specialInString>(quote + 1, kSpecialInString); i < text_.size();
             i = next<specialInString>(i, kSpecialInString)) {
            if (text_[i] == '"') {
                return i + 1;
            }
            plain = false;
            i += text_[i] == '\\' ? 2 : 1;
        }
        return std::string_view::npos;
    }

    enum class Added { key, holdsNul, broken };

    // Plain ASCII keys compare as written. Anything else (a NUL included) is
    // decoded by Qt itself (a lone string repeats nothing), so two spellings
    // of one key compare equal exactly when Qt would merge them; the plain
    // path, which nearly every key takes, stays one pass.
    Added addKey(size_t quote, size_t end, bool plain) {
        if (plain) {
            keys_.emplace_back(text_.substr(quote + 1, end - quote - 2), static_cast<int>(quote));
            return Added::key;
        }
        const QByteArray wrapped = '[' + QByteArray(text_.data() + quote, int(end - quote)) + ']';
        const QJsonDocument decoded = QJsonDocument::fromJson(wrapped);
        if (!decoded.isArray()) {
            return Added::broken;  // Qt fails on this string too
        }
        decoded_.push_back(decoded.array().at(0).toString().toStdString());
        if (decoded_.back().find('\0') != std::string::npos) {
            return Added::holdsNul;
        }
        keys_.emplace_back(decoded_.back(), static_cast<int>(quote));
        return Added::key;
    }

    Refusal repeatIn(size_t first) {
        const auto begin = keys_.begin() + static_cast<std::ptrdiff_t>(first);
        const auto end = keys_.end();
        if (keys_.size() - first <= kPairwiseKeys) {
            // A key is compared with the ones before it only when one of
            // them had the same bit of its tag's hash: mostly none has.
            std::uint64_t seen = 0;
            for (auto k = begin; k != end; ++k) {
                const std::uint64_t bit = std::uint64_t{1}
                                          << ((k->tag * 0x9E3779B97F4A7C15u) >> 58);
                if ((seen & bit) != 0) {
                    for (auto before = begin; before != k; ++before) {
                        if (*before == *k) {
                            return {k->offset, k->name};
                        }
                    }
                }
                seen |= bit;
            }
            return {};
        }
        // The keys are dropped after this check, so they may be reordered.
        std::sort(begin, end, [](const Key& a, const Key& b) {
            return a.name < b.name || (a.name == b.name && a.offset < b.offset);
        });
        const auto same = std::adjacent_find(
            begin, end, [](const Key& a, const Key& b) { return a.name == b.name; });
        if (same == end) {
            return {};
        }
        return {std::next(same)->offset, same->name};
    }

    std::string_view text_;
    qint64 valuesLeft_;
    std::vector<Frame> frames_;
    std::vector<Key> keys_;
    std::list<std::string> decoded_;  // rare: allocates only when used
};

}  // namespace

JsonParseResult parseJson(const QByteArray& text, qint64 maxValues) {
    JsonParseResult result;
    KeyScan scan(text, maxValues);  // owns the decoded keys the result points into
    const Refusal refused = scan.run();
    if (refused.tooLargeAt >= 0) {
        result.error = {refused.tooLargeAt, QJsonParseError::DocumentTooLarge};
        result.message = QStringLiteral("more than %1 values").arg(maxValues);
        return result;
    }
    if (refused.tooDeepAt >= 0) {
        // Qt parses no further than that bracket, so it completes no object
        // there (nothing can leak) and, given the text up to it, fails just as
        // on the whole text: too deep, or earlier on whatever broke before.
        const QByteArray upToDeep = QByteArray::fromRawData(text.constData(), refused.tooDeepAt);
        static_cast<void>(QJsonDocument::fromJson(upToDeep, &result.error));
        result.message = result.error.errorString();
        return result;
    }
    if (refused.offset >= 0) {
        result.error = {refused.offset, QJsonParseError::IllegalValue};
        result.message = refused.nul
                             ? QStringLiteral("key holds a NUL character")
                             : QStringLiteral("repeated key \"%1\"")
                                   .arg(QString::fromUtf8(refused.key.data(),
                                                          static_cast<int>(refused.key.size())));
        return result;
    }
    result.document = QJsonDocument::fromJson(text, &result.error);
    if (!result.ok()) {
        result.message = result.error.errorString();
    }
    return result;
}

}  // namespace Corvane

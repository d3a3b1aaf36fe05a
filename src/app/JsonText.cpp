#include "app/JsonText.h"

#include <QJsonArray>
#include <algorithm>
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
// comparing each with the ones before it is cheaper.
constexpr size_t kPairwiseKeys = 16;

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
        size_t i = 0;
        while (i < text_.size()) {
            const char c = text_[i];
            if (c == '"') {
                const size_t end = stringEnd(i);
                if (end == std::string_view::npos) {
                    return {};
                }
                if (!frames_.empty() && frames_.back().object && frames_.back().expectKey) {
                    frames_.back().expectKey = false;
                    const Added added = addKey(i, end);
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
            if ((c == ',' || c == '{' || c == '[') && --valuesLeft_ < 0) {
                Refusal large;
                large.tooLargeAt = static_cast<int>(i);
                return large;
            }
            if (c == '{' || c == '[') {
                if (frames_.size() == kMaxNesting) {
                    Refusal deep;
                    deep.tooDeepAt = static_cast<int>(i + 1);
                    return deep;
                }
                frames_.push_back({c == '{', c == '{', keys_.size()});
            } else if (c == '}' || c == ']') {
                if (frames_.empty() || frames_.back().object != (c == '}')) {
                    return {};
                }
                if (c == '}') {
                    if (const Refusal r = repeatIn(frames_.back().firstKey); r.offset >= 0) {
                        return r;
                    }
                }
                keys_.resize(frames_.back().firstKey);
                frames_.pop_back();
            } else if (c == ',' && !frames_.empty() && frames_.back().object) {
                frames_.back().expectKey = true;
            }
            ++i;
        }
        return {};
    }

private:
    struct Frame {
        bool object;
        bool expectKey;
        size_t firstKey;  // index in keys_ of this object's first key
    };
    struct Key {
        std::string_view name;  // decoded when the text holds escapes
        int offset;
    };

    // One past the closing quote of the string opening at `quote`.
    size_t stringEnd(size_t quote) const {
        for (size_t i = quote + 1; i < text_.size(); ++i) {
            if (text_[i] == '\\') {
                ++i;
            } else if (text_[i] == '"') {
                return i + 1;
            }
        }
        return std::string_view::npos;
    }

    enum class Added { key, holdsNul, broken };

    // Plain ASCII keys compare as written. Anything else (a NUL included) is
    // decoded by Qt itself (a lone string repeats nothing), so two spellings
    // of one key compare equal exactly when Qt would merge them; the plain
    // path, which nearly every key takes, stays one pass.
    Added addKey(size_t quote, size_t end) {
        const std::string_view raw = text_.substr(quote + 1, end - quote - 2);
        const bool plain = std::none_of(raw.begin(), raw.end(), [](char c) {
            return c == '\\' || c == '\0' || static_cast<unsigned char>(c) >= 0x80;
        });
        if (plain) {
            keys_.push_back({raw, static_cast<int>(quote)});
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
        keys_.push_back({decoded_.back(), static_cast<int>(quote)});
        return Added::key;
    }

    Refusal repeatIn(size_t first) {
        const auto begin = keys_.begin() + static_cast<std::ptrdiff_t>(first);
        const auto end = keys_.end();
        if (keys_.size() - first <= kPairwiseKeys) {
            for (auto k = begin; k != end; ++k) {
                for (auto before = begin; before != k; ++before) {
                    if (before->name == k->name) {
                        return {k->offset, k->name};
                    }
                }
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

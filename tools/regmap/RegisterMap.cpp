#include "RegisterMap.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>

namespace Corvane::RegMap {

namespace {

const QString ns2009 = QStringLiteral("http://www.spiritconsortium.org/XMLSchema/SPIRIT/1685-2009");
const QString ns2014 = QStringLiteral("http://www.accellera.org/XMLSchema/IPXACT/1685-2014");

// Bounds on what a file may make this process hold. A real design's map is
// a few levels deep with hundreds of registers; the window holds 2 Mi words.
constexpr int maxDepth = 64;
constexpr std::size_t maxRegisters = 1u << 18;
constexpr std::size_t maxBlocks = 4096;
constexpr std::size_t maxFields = 64;
constexpr std::size_t maxEnums = 4096;
constexpr int maxDims = 4;

struct AccessName {
    const char* text;
    const char* shortText;
    Access access;
};
const AccessName accessNames[] = {
    {"read-write", "RW", Access::readWrite}, {"read-only", "RO", Access::readOnly},
    {"write-only", "WO", Access::writeOnly}, {"read-writeOnce", "RW1", Access::readWriteOnce},
    {"writeOnce", "W1", Access::writeOnce},
};

std::optional<std::uint64_t> digitsOf(QStringView s, int radix) {
    std::uint64_t v = 0;
    bool any = false;
    for (const QChar c : s) {
        if (c == QLatin1Char('_')) {
            continue;
        }
        const int d = c.isDigit() ? c.digitValue()
                      : (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
                          ? c.toLower().unicode() - 'a' + 10
                          : 99;
        if (d >= radix || v > (UINT64_MAX - static_cast<std::uint64_t>(d)) / radix) {
            return std::nullopt;
        }
        v = v * radix + static_cast<std::uint64_t>(d);
        any = true;
    }
    return any ? std::optional<std::uint64_t>(v) : std::nullopt;
}

// The k/M/G/T suffix of IP-XACT's scaled integers.
std::optional<std::uint64_t> scaled(QStringView s, int radix) {
    int shift = 0;
    if (!s.isEmpty()) {
        switch (s.back().toLower().unicode()) {
            case 'k':
                shift = 10;
                break;
            case 'm':
                shift = 20;
                break;
            case 'g':
                shift = 30;
                break;
            case 't':
                shift = 40;
                break;
            default:
                break;
        }
    }
    const auto v = digitsOf(shift ? s.chopped(1) : s, radix);
    if (!v || (shift && (*v >> (64 - shift)) != 0)) {
        return std::nullopt;
    }
    return *v << shift;
}

// What was read of one register before it is placed in its block.
struct RawRegister {
    Register reg;
    std::uint64_t offset = 0;
    std::optional<std::uint64_t> size;
    std::optional<Access> access;
    std::vector<std::uint64_t> dims;
    std::vector<std::pair<Field, std::optional<Access>>> fields;
};

class Loader {
public:
    Loader(const QByteArray& xml, const QString& file) : xml_(xml), file_(file) {}

    RegisterMap run() {
        for (;;) {
            const auto t = next();
            if (t == QXmlStreamReader::StartElement) {
                break;
            }
            if (t == QXmlStreamReader::EndDocument) {
                fail(QStringLiteral("no component element"));
            }
        }
        if (xml_.name() != QLatin1String("component") ||
            (xml_.namespaceUri() != ns2009 && xml_.namespaceUri() != ns2014)) {
            fail(QStringLiteral("not an IP-XACT component (1685-2009 or 1685-2014): <%1> in '%2'")
                     .arg(xml_.qualifiedName().toString(), xml_.namespaceUri().toString()));
        }
        ns_ = xml_.namespaceUri().toString();
        while (child()) {
            if (is("name")) {
                map_.component = text();
            } else if (is("memoryMaps")) {
                while (child()) {
                    if (is("memoryMap")) {
                        memoryMap();
                    } else {
                        skip();
                    }
                }
            } else {
                skip();
            }
        }
        std::sort(map_.registers.begin(), map_.registers.end(),
                  [](const Register& a, const Register& b) { return a.address < b.address; });
        for (std::size_t i = 1; i < map_.registers.size(); ++i) {
            const Register& a = map_.registers[i - 1];
            const Register& b = map_.registers[i];
            if (a.address == b.address) {
                const Register& later = a.line > b.line ? a : b;
                fail(later.line, later.fullName(),
                     QStringLiteral("overlaps %1 at 0x%2")
                         .arg((&later == &a ? b : a).fullName())
                         .arg(a.address, 0, 16));
            }
        }
        // A name must pick one register: a write must not land on another.
        QHash<QString, int> lines;
        lines.reserve(static_cast<int>(map_.registers.size()));
        for (const Register& r : map_.registers) {
            const auto at = lines.constFind(r.fullName());
            if (at != lines.constEnd()) {
                fail(std::max(r.line, *at), r.fullName(),
                     QStringLiteral("declared twice (lines %1 and %2)")
                         .arg(std::min(r.line, *at))
                         .arg(std::max(r.line, *at)));
            }
            lines.insert(r.fullName(), r.line);
        }
        return std::move(map_);
    }

private:
    [[noreturn]] void fail(int line, const QString& what, const QString& why) const {
        throw MapError(
            QStringLiteral("%1:%2: %3%4")
                .arg(file_)
                .arg(line)
                .arg(what.isEmpty() ? QString() : QStringLiteral("register %1: ").arg(what), why)
                .toStdString());
    }
    [[noreturn]] void fail(const QString& why) const {
        fail(static_cast<int>(xml_.lineNumber()), current_, why);
    }

    QXmlStreamReader::TokenType next() {
        const auto t = xml_.readNext();
        switch (t) {
            case QXmlStreamReader::StartElement:
                if (++depth_ > maxDepth) {
                    fail(QStringLiteral("elements nested deeper than %1").arg(maxDepth));
                }
                break;
            case QXmlStreamReader::EndElement:
                --depth_;
                break;
            case QXmlStreamReader::DTD:
                // A document type could declare entities; no map needs one.
                fail(QStringLiteral("a document type declaration is not accepted"));
            case QXmlStreamReader::EntityReference:
                fail(QStringLiteral("entity references are not accepted"));
            case QXmlStreamReader::Invalid:
                fail(QStringLiteral("malformed XML: %1").arg(xml_.errorString()));
            default:
                break;
        }
        return t;
    }
    // The next child element of the current one; false at its end.
    bool child() {
        for (;;) {
            const auto t = next();
            if (t == QXmlStreamReader::StartElement) {
                return true;
            }
            if (t == QXmlStreamReader::EndElement || t == QXmlStreamReader::EndDocument) {
                return false;
            }
        }
    }
    void skip() {
        const int end = depth_ - 1;
        while (depth_ > end) {
            if (next() == QXmlStreamReader::EndDocument) {
                return;
            }
        }
    }
    // The element's text; markup inside (a description's) is dropped.
    QString text() {
        QString out;
        const int end = depth_ - 1;
        while (depth_ > end) {
            if (next() == QXmlStreamReader::Characters) {
                if (out.isEmpty()) {
                    out = xml_.text().toString();
                } else {
                    out += xml_.text();
                }
            } else if (xml_.atEnd()) {
                break;
            }
        }
        return std::move(out).simplified();
    }
    bool is(const char* name) const {
        return xml_.name() == QLatin1String(name) && xml_.namespaceUri() == ns_;
    }
    std::uint64_t number(const char* what) {
        const int line = static_cast<int>(xml_.lineNumber());
        const QString format = xml_.attributes().value(ns_, QStringLiteral("format")).toString();
        const QString t = text();
        const auto v = parseNumber(t, format);
        if (!v) {
            fail(line, current_, QStringLiteral("%1 '%2' is not a number").arg(what, t.left(40)));
        }
        return *v;
    }
    Access access() {
        const QString t = text();
        const auto a = accessFromText(t);
        if (!a) {
            fail(QStringLiteral("unknown access '%1'").arg(t.left(40)));
        }
        return *a;
    }
    // The first reset of a 2009 <reset> or a 2014 <resets>.
    std::pair<std::uint64_t, std::optional<std::uint64_t>> reset() {
        std::uint64_t value = 0;
        std::optional<std::uint64_t> mask;
        const bool plural = is("resets");
        bool seen = false;
        while (child()) {
            if (plural && is("reset") && !seen) {
                seen = true;
                while (child()) {
                    if (is("value")) {
                        value = number("reset value");
                    } else if (is("mask")) {
                        mask = number("reset mask");
                    } else {
                        skip();
                    }
                }
            } else if (!plural && is("value")) {
                value = number("reset value");
            } else if (!plural && is("mask")) {
                mask = number("reset mask");
            } else {
                skip();
            }
        }
        return {value, mask};
    }

    void memoryMap() {
        while (child()) {
            if (is("addressBlock")) {
                addressBlock();
            } else if (is("addressUnitBits")) {
                const auto bits = number("addressUnitBits");
                if (bits != 8) {
                    fail(QStringLiteral("addressUnitBits %1: only byte addresses are supported")
                             .arg(bits));
                }
            } else {
                skip();
            }
        }
    }

    void addressBlock() {
        if (map_.blocks.size() >= maxBlocks) {
            fail(QStringLiteral("more than %1 address blocks").arg(maxBlocks));
        }
        Block b;
        std::optional<Access> blockAccess;
        std::vector<RawRegister> raws;
        std::uint64_t base = 0;
        bool haveRange = false;
        while (child()) {
            if (is("name")) {
                b.name = text();
            } else if (is("description")) {
                b.description = text();
            } else if (is("baseAddress")) {
                base = number("baseAddress");
            } else if (is("range")) {
                b.range = number("range");
                haveRange = true;
            } else if (is("width")) {
                b.width = static_cast<int>(std::min<std::uint64_t>(number("width"), 1u << 20));
            } else if (is("access")) {
                blockAccess = access();
            } else if (is("register")) {
                current_ = b.name + QStringLiteral(".?");
                raws.push_back(readRegister(b.name));
                current_.clear();
            } else {
                skip();
            }
        }
        if (base >= windowBytes) {
            fail(QStringLiteral("address block %1 at 0x%2 lies outside the 8 MiB register window")
                     .arg(b.name)
                     .arg(base, 0, 16));
        }
        b.baseAddress = static_cast<std::uint32_t>(base);
        for (RawRegister& raw : raws) {
            place(raw, b, blockAccess, haveRange);
        }
        map_.blocks.push_back(std::move(b));
    }

    RawRegister readRegister(const QString& block) {
        RawRegister raw;
        raw.reg.block = block;
        raw.reg.line = static_cast<int>(xml_.lineNumber());
        while (child()) {
            if (is("name")) {
                raw.reg.name = text();
                current_ = block + QLatin1Char('.') + raw.reg.name;
            } else if (is("description")) {
                raw.reg.description = text();
            } else if (is("dim")) {
                if (raw.dims.size() >= static_cast<std::size_t>(maxDims)) {
                    fail(QStringLiteral("more than %1 array dimensions").arg(maxDims));
                }
                raw.dims.push_back(number("dim"));
            } else if (is("addressOffset")) {
                raw.offset = number("addressOffset");
            } else if (is("size")) {
                raw.size = number("size");
            } else if (is("access")) {
                raw.access = access();
            } else if (is("reset") || is("resets")) {
                const auto [value, mask] = reset();
                raw.reg.reset = static_cast<std::uint32_t>(value);
                raw.reg.resetMask = static_cast<std::uint32_t>(mask.value_or(0xFFFFFFFFu));
            } else if (is("field")) {
                if (raw.fields.size() >= maxFields) {
                    fail(QStringLiteral("more than %1 fields").arg(maxFields));
                }
                readField(raw);
            } else {
                skip();
            }
        }
        return raw;
    }

    void readField(RawRegister& raw) {
        Field f;
        std::optional<Access> fieldAccess;
        std::optional<std::uint64_t> fieldReset;
        std::uint64_t offset = 0, width = 1;
        const int line = static_cast<int>(xml_.lineNumber());
        while (child()) {
            if (is("name")) {
                f.name = text();
            } else if (is("description")) {
                f.description = text();
            } else if (is("bitOffset")) {
                offset = number("bitOffset");
            } else if (is("bitWidth")) {
                width = number("bitWidth");
            } else if (is("access")) {
                fieldAccess = access();
            } else if (is("modifiedWriteValue")) {
                f.modifiedWriteValue = text();
            } else if (is("readAction")) {
                f.readAction = text();
            } else if (is("resets")) {
                fieldReset = reset().first;
            } else if (is("enumeratedValues")) {
                while (child()) {
                    if (!is("enumeratedValue")) {
                        skip();
                        continue;
                    }
                    if (f.enums.size() >= maxEnums) {
                        fail(QStringLiteral("more than %1 enumerated values").arg(maxEnums));
                    }
                    EnumValue e;
                    std::uint64_t v = 0;
                    while (child()) {
                        if (is("name")) {
                            e.name = text();
                        } else if (is("description")) {
                            e.description = text();
                        } else if (is("value")) {
                            v = number("enumerated value");
                        } else {
                            skip();
                        }
                    }
                    e.value = static_cast<std::uint32_t>(v);
                    f.enums.push_back(std::move(e));
                }
            } else {
                skip();
            }
        }
        if (width == 0 || width > 32 || offset >= 32 || offset + width > 32) {
            fail(line, current_,
                 QStringLiteral("field %1 (bit offset %2, width %3) leaves the 32-bit register")
                     .arg(f.name)
                     .arg(offset)
                     .arg(width));
        }
        for (const EnumValue& e : f.enums) {
            if ((static_cast<std::uint64_t>(e.value) >> width) != 0) {
                fail(line, current_,
                     QStringLiteral("enumerated value %1 = %2 does not fit field %3 (%4 bits)")
                         .arg(e.name)
                         .arg(e.value)
                         .arg(f.name)
                         .arg(width));
            }
        }
        f.bitOffset = static_cast<int>(offset);
        f.bitWidth = static_cast<int>(width);
        for (const auto& [other, a] : raw.fields) {
            if (other.mask() & f.mask()) {
                fail(line, current_,
                     QStringLiteral("fields %1 and %2 overlap").arg(other.name, f.name));
            }
        }
        if (fieldReset) {
            raw.reg.reset = f.insert(raw.reg.reset, static_cast<std::uint32_t>(*fieldReset));
            raw.reg.resetMask |= f.mask();
        }
        raw.fields.emplace_back(std::move(f), fieldAccess);
    }

    // Every element of an array, each at its own address with the block's
    // and the register's access passed on to fields that name none.
    void place(RawRegister& raw, const Block& b, std::optional<Access> blockAccess,
               bool haveRange) {
        const QString name = raw.reg.fullName();
        const int line = raw.reg.line;
        const std::uint64_t size = raw.size.value_or(static_cast<std::uint64_t>(b.width));
        if (size != 32) {
            fail(line, name,
                 QStringLiteral("is %1 bits wide; only 32-bit registers are supported").arg(size));
        }
        std::uint64_t count = 1;
        for (const auto d : raw.dims) {
            if (d == 0 || d > maxRegisters || count * d > maxRegisters) {
                fail(line, name,
                     QStringLiteral("array of more than %1 registers").arg(maxRegisters));
            }
            count *= d;
        }
        if (map_.registers.size() + count > maxRegisters) {
            fail(line, name, QStringLiteral("more than %1 registers").arg(maxRegisters));
        }
        raw.reg.access = raw.access.value_or(blockAccess.value_or(Access::readWrite));
        for (auto& [f, a] : raw.fields) {
            f.access = a.value_or(raw.reg.access);
            raw.reg.fields.push_back(std::move(f));
        }
        std::sort(raw.reg.fields.begin(), raw.reg.fields.end(),
                  [](const Field& x, const Field& y) { return x.bitOffset < y.bitOffset; });
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t offset = raw.offset + i * 4;
            const std::uint64_t address = b.baseAddress + offset;
            Register r = i + 1 == count ? std::move(raw.reg) : raw.reg;
            if (!raw.dims.empty()) {
                std::uint64_t rest = i;
                QString suffix;
                for (auto d = raw.dims.rbegin(); d != raw.dims.rend(); ++d) {
                    suffix.prepend(QStringLiteral("[%1]").arg(rest % *d));
                    rest /= *d;
                }
                r.name += suffix;
            }
            if (address % 4 != 0) {
                fail(line, r.fullName(),
                     QStringLiteral("address 0x%1 is not a multiple of 4").arg(address, 0, 16));
            }
            if (address + 4 > windowBytes) {
                fail(line, r.fullName(),
                     QStringLiteral("address 0x%1 lies outside the 8 MiB register window")
                         .arg(address, 0, 16));
            }
            if (haveRange && offset + 4 > b.range) {
                fail(line, r.fullName(),
                     QStringLiteral("offset 0x%1 lies outside its address block (range 0x%2)")
                         .arg(offset, 0, 16)
                         .arg(b.range, 0, 16));
            }
            r.address = static_cast<std::uint32_t>(address);
            map_.registers.push_back(std::move(r));
        }
    }

    QXmlStreamReader xml_;
    QString file_;
    QString ns_;
    QString current_;  // the register being read, for messages
    int depth_ = 0;
    RegisterMap map_;
};

}  // namespace

std::optional<Access> accessFromText(const QString& text) {
    for (const AccessName& a : accessNames) {
        if (text == QLatin1String(a.text)) {
            return a.access;
        }
    }
    return std::nullopt;
}

QString accessText(Access a) {
    for (const AccessName& n : accessNames) {
        if (n.access == a) {
            return QLatin1String(n.text);
        }
    }
    return {};
}

QString accessShort(Access a) {
    for (const AccessName& n : accessNames) {
        if (n.access == a) {
            return QLatin1String(n.shortText);
        }
    }
    return {};
}

const EnumValue* Field::enumFor(std::uint32_t v) const {
    for (const EnumValue& e : enums) {
        if (e.value == v) {
            return &e;
        }
    }
    return nullptr;
}

const EnumValue* Field::enumNamed(const QString& n) const {
    for (const EnumValue& e : enums) {
        if (e.name == n) {
            return &e;
        }
    }
    return nullptr;
}

const Field* Register::field(const QString& n) const {
    for (const Field& f : fields) {
        if (f.name == n) {
            return &f;
        }
    }
    return nullptr;
}

bool Register::writeSideEffect() const {
    return std::any_of(fields.begin(), fields.end(),
                       [](const Field& f) { return f.writeSideEffect(); });
}

bool Register::readSideEffect() const {
    return std::any_of(fields.begin(), fields.end(),
                       [](const Field& f) { return !f.readAction.isEmpty(); });
}

RegisterMap RegisterMap::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw MapError(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    }
    if (file.size() > maxFileBytes) {
        throw MapError(QStringLiteral("%1: %2 bytes, more than a register map of %3 MiB")
                           .arg(path)
                           .arg(file.size())
                           .arg(maxFileBytes >> 20)
                           .toStdString());
    }
    // Read one byte past the bound: a file that grew since it was measured
    // (or a device that reports no size) is still refused.
    const QByteArray xml = file.read(maxFileBytes + 1);
    if (xml.size() > maxFileBytes) {
        throw MapError(QStringLiteral("%1: more than a register map of %2 MiB")
                           .arg(path)
                           .arg(maxFileBytes >> 20)
                           .toStdString());
    }
    return parse(xml, path);
}

RegisterMap RegisterMap::parse(const QByteArray& xml, const QString& fileName) {
    return Loader(xml, fileName).run();
}

const Register* RegisterMap::find(const QString& fullName) const {
    for (const Register& r : registers) {
        if (r.fullName() == fullName) {
            return &r;
        }
    }
    return nullptr;
}

std::vector<const Register*> RegisterMap::select(const QString& pattern) const {
    const bool block = std::any_of(blocks.begin(), blocks.end(),
                                   [&](const Block& b) { return b.name == pattern; });
    std::vector<const Register*> out;
    for (const Register& r : registers) {
        if (pattern.isEmpty() || (block ? r.block == pattern : globMatch(pattern, r.fullName()))) {
            out.push_back(&r);
        }
    }
    return out;
}

std::optional<std::uint64_t> parseNumber(const QString& text, const QString& format) {
    QStringView t = QStringView(text).trimmed();
    if (format == QLatin1String("bool")) {
        if (t == QLatin1String("true")) {
            return 1;
        }
        if (t == QLatin1String("false")) {
            return 0;
        }
        return std::nullopt;
    }
    if (format == QLatin1String("bitString")) {
        if (t.size() >= 2 && t.front() == QLatin1Char('"') && t.back() == QLatin1Char('"')) {
            t = t.mid(1, t.size() - 2);
        }
        if (!t.contains(QLatin1Char('\''))) {
            return digitsOf(t, 2);
        }
    }
    if (t.startsWith(QLatin1Char('+'))) {
        t = t.mid(1);
    }
    const auto tick = t.indexOf(QLatin1Char('\''));
    if (tick >= 0) {
        // SystemVerilog: [size]'[s]<base>digits
        const QStringView size = t.left(tick);
        QStringView rest = t.mid(tick + 1);
        if (rest.startsWith(QLatin1Char('s'), Qt::CaseInsensitive)) {
            rest = rest.mid(1);
        }
        if (rest.isEmpty()) {
            return std::nullopt;
        }
        int radix = 0;
        switch (rest.front().toLower().unicode()) {
            case 'h':
                radix = 16;
                break;
            case 'd':
                radix = 10;
                break;
            case 'b':
                radix = 2;
                break;
            case 'o':
                radix = 8;
                break;
            default:
                return std::nullopt;
        }
        const auto v = digitsOf(rest.mid(1), radix);
        if (!v || size.isEmpty()) {
            return v;
        }
        const auto bits = digitsOf(size, 10);
        if (!bits || *bits == 0 || *bits > 64 || (*bits < 64 && (*v >> *bits) != 0)) {
            return std::nullopt;
        }
        return v;
    }
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        return scaled(t.mid(2), 16);
    }
    if (t.startsWith(QLatin1Char('#'))) {
        return scaled(t.mid(1), 16);
    }
    return scaled(t, 10);
}

bool globMatch(const QString& pattern, const QString& text) {
    int p = 0, t = 0, star = -1, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace Corvane::RegMap

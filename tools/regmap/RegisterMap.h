#pragma once

// The registers of an FPGA design as its IP-XACT description (IEEE 1685,
// 2009 and 2014 editions) gives them, placed in the daemon's register
// window: every register has a name, a byte address and its fields.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

namespace Corvane::RegMap {

// The register window the daemon maps, in bytes.
inline constexpr std::uint32_t windowBytes = 0x800000;

// Larger map files are refused before a byte is read.
inline constexpr qint64 maxFileBytes = 64ll * 1024 * 1024;

enum class Access { readWrite, readOnly, writeOnly, readWriteOnce, writeOnce };

// "read-write" and the other IP-XACT spellings; "RW", "RO", ... for display.
std::optional<Access> accessFromText(const QString& text);
QString accessText(Access a);
QString accessShort(Access a);
inline bool readable(Access a) {
    return a != Access::writeOnly && a != Access::writeOnce;
}
inline bool writable(Access a) {
    return a != Access::readOnly;
}

struct EnumValue {
    QString name;
    std::uint32_t value = 0;
    QString description;
};

struct Field {
    QString name;
    QString description;
    int bitOffset = 0;
    int bitWidth = 1;
    Access access = Access::readWrite;
    QString modifiedWriteValue;  // empty or "modify": a write stores what is written
    QString readAction;          // empty: a read changes nothing
    std::vector<EnumValue> enums;

    std::uint32_t mask() const {
        return (bitWidth >= 32 ? 0xFFFFFFFFu : ((1u << bitWidth) - 1u)) << bitOffset;
    }
    std::uint32_t extract(std::uint32_t reg) const { return (reg & mask()) >> bitOffset; }
    std::uint32_t insert(std::uint32_t reg, std::uint32_t v) const {
        return (reg & ~mask()) | ((v << bitOffset) & mask());
    }
    bool writeSideEffect() const {
        return !modifiedWriteValue.isEmpty() && modifiedWriteValue != QLatin1String("modify");
    }
    const EnumValue* enumFor(std::uint32_t v) const;
    const EnumValue* enumNamed(const QString& name) const;
};

struct Register {
    QString block;  // the address block's name
    QString name;   // "status", "lut[3]" for an element of an array
    QString description;
    std::uint32_t address = 0;  // byte address in the window
    Access access = Access::readWrite;
    std::uint32_t reset = 0;
    std::uint32_t resetMask = 0;  // the bits whose reset value is known
    std::vector<Field> fields;    // by bit offset
    int line = 0;                 // where it is declared

    QString fullName() const { return block + QLatin1Char('.') + name; }
    // The daemon addresses a 32-bit word as a 65,536-word block and an
    // index within it.
    std::uint32_t base() const { return (address / 4) >> 16; }
    std::uint32_t offset() const { return (address / 4) & 0xFFFF; }
    const Field* field(const QString& name) const;
    bool writeSideEffect() const;
    bool readSideEffect() const;
};

struct Block {
    QString name;
    QString description;
    std::uint32_t baseAddress = 0;
    std::uint64_t range = 0;
    int width = 32;
};

// A map that cannot be used, with the file, line and register concerned.
struct MapError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class RegisterMap {
public:
    // Throws MapError.
    static RegisterMap load(const QString& path);
    static RegisterMap parse(const QByteArray& xml, const QString& fileName);

    QString component;  // the component's name
    std::vector<Block> blocks;
    std::vector<Register> registers;  // by address

    // "block.register"; nullptr when there is none.
    const Register* find(const QString& fullName) const;
    // Registers whose "block.register" matches a glob of * and ?, or every
    // register of the block of that name.
    std::vector<const Register*> select(const QString& pattern) const;
};

// A number as IP-XACT files write it: decimal, 0x.. or #.. hexadecimal with
// an optional k/M/G/T scale, SystemVerilog literals ('h1F, 32'hDEAD_BEEF,
// 'b1010, 'd10, 'o17) and, for a 2009 value, its spirit:format ("bool",
// "bitString"). Nothing when it is none of these or above 64 bits.
std::optional<std::uint64_t> parseNumber(const QString& text, const QString& format = {});

// * matches any run of characters, ? one; everything else is literal
// (array indices are written with brackets).
bool globMatch(const QString& pattern, const QString& text);

}  // namespace Corvane::RegMap

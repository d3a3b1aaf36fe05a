// The register map loader: maps as the IP packagers write them, in both
// editions, and one malformed map per reason for refusing one.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTemporaryFile>

#include "regmap/RegisterMap.h"

using namespace Corvane::RegMap;

namespace {

struct Edition {
    const char* uri;
    const char* resetOpen;  // a register's reset value is wrapped differently
    const char* resetClose;
};
const Edition ed2009{"http://www.spiritconsortium.org/XMLSchema/SPIRIT/1685-2009", "<x:reset>",
                     "</x:reset>"};
const Edition ed2014{"http://www.accellera.org/XMLSchema/IPXACT/1685-2014", "<x:resets><x:reset>",
                     "</x:reset></x:resets>"};

// A component around `blocks`; "RESET(" and ")RESET" become the edition's
// reset wrapper.
QByteArray component(const Edition& e, const QString& blocks) {
    QString body = blocks;
    body.replace(QLatin1String("RESET("), QLatin1String(e.resetOpen));
    body.replace(QLatin1String(")RESET"), QLatin1String(e.resetClose));
    return QStringLiteral(
               "<?xml version=\"1.0\"?>\n<x:component xmlns:x=\"%1\">\n"
               "<x:name>demo</x:name><x:memoryMaps><x:memoryMap><x:name>m</x:name>\n"
               "%2\n</x:memoryMap></x:memoryMaps></x:component>\n")
        .arg(QLatin1String(e.uri), body)
        .toUtf8();
}

QString block(const QString& name, const QString& base, const QString& registers) {
    return QStringLiteral(
               "<x:addressBlock><x:name>%1</x:name><x:baseAddress>%2</x:baseAddress>"
               "<x:range>0x10000</x:range><x:width>32</x:width>\n%3\n"
               "</x:addressBlock>")
        .arg(name, base, registers);
}

QString reg(const QString& name, const QString& offset, const QString& inner) {
    return QStringLiteral(
               "<x:register><x:name>%1</x:name><x:addressOffset>%2</x:addressOffset>"
               "<x:size>32</x:size>%3</x:register>\n")
        .arg(name, offset, inner);
}

QString field(const QString& name, int offset, int width, const QString& inner = {}) {
    return QStringLiteral(
               "<x:field><x:name>%1</x:name><x:bitOffset>%2</x:bitOffset>"
               "<x:bitWidth>%3</x:bitWidth>%4</x:field>")
        .arg(name)
        .arg(offset)
        .arg(width)
        .arg(inner);
}

TEST(RegisterMap, ReadsBothEditions) {
    for (const Edition* e : {&ed2009, &ed2014}) {
        SCOPED_TRACE(e->uri);
        const QString ctrl =
            reg("ctrl", "'h8",
                "<x:description>Mode and  enable.</x:description><x:access>read-write</x:access>"
                "RESET(<x:value>32'h0000_0102</x:value>)RESET" +
                    field("enable", 0, 1) +
                    field("mode", 8, 2,
                          "<x:access>read-only</x:access><x:enumeratedValues>"
                          "<x:enumeratedValue><x:name>IDLE</x:name><x:value>0</x:value>"
                          "</x:enumeratedValue><x:enumeratedValue><x:name>RUN</x:name>"
                          "<x:value>'b01</x:value></x:enumeratedValue></x:enumeratedValues>"));
        const QString status =
            reg("status", "0x0",
                "<x:access>read-only</x:access>" +
                    field("done", 0, 1, "<x:modifiedWriteValue>oneToClear</x:modifiedWriteValue>") +
                    field("fifo", 4, 4, "<x:readAction>clear</x:readAction>"));
        const RegisterMap map = RegisterMap::parse(
            component(*e, block("core", "0x40000", status + ctrl) + block("io", "4k", "")),
            "demo.xml");
        EXPECT_EQ(map.component, "demo");
        ASSERT_EQ(map.blocks.size(), 2u);
        EXPECT_EQ(map.blocks[1].baseAddress, 4096u);
        ASSERT_EQ(map.registers.size(), 2u);

        const Register* c = map.find("core.ctrl");
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->address, 0x40008u);
        EXPECT_EQ(c->base(), 1u);  // word 0x10002
        EXPECT_EQ(c->offset(), 2u);
        EXPECT_EQ(c->reset, 0x102u);
        EXPECT_EQ(c->resetMask, 0xFFFFFFFFu);
        EXPECT_EQ(c->description, "Mode and enable.");
        ASSERT_EQ(c->fields.size(), 2u);
        EXPECT_EQ(c->fields[0].access, Access::readWrite);  // from the register
        const Field* mode = c->field("mode");
        ASSERT_NE(mode, nullptr);
        EXPECT_EQ(mode->access, Access::readOnly);
        EXPECT_EQ(mode->mask(), 0x300u);
        EXPECT_EQ(mode->extract(0x102), 1u);
        EXPECT_EQ(mode->enumFor(1)->name, "RUN");
        EXPECT_EQ(mode->enumNamed("IDLE")->value, 0u);

        const Register* s = map.find("core.status");
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->fields[0].access, Access::readOnly);
        EXPECT_TRUE(s->writeSideEffect());
        EXPECT_TRUE(s->readSideEffect());
        EXPECT_FALSE(c->writeSideEffect() || c->readSideEffect());
        EXPECT_EQ(map.registers.front().fullName(), "core.status");  // by address
    }
}

// 2014 puts reset values on fields; the register's is made of them.
TEST(RegisterMap, FieldResetsMakeTheRegistersReset) {
    const RegisterMap map = RegisterMap::parse(
        component(
            ed2014,
            block(
                "b", "0",
                reg("r", "0",
                    field("lo", 0, 4,
                          "<x:resets><x:reset><x:value>5</x:value></x:reset></x:resets>") +
                        field("hi", 28, 4,
                              "<x:resets><x:reset><x:value>0xa</x:value></x:reset></x:resets>")))),
        "f.xml");
    EXPECT_EQ(map.registers.at(0).reset, 0xA0000005u);
    EXPECT_EQ(map.registers.at(0).resetMask, 0xF000000Fu);
}

TEST(RegisterMap, ArraysAreOneRegisterPerElement) {
    const RegisterMap map = RegisterMap::parse(
        component(ed2009, block("b", "0x100",
                                reg("lut", "0x10", "<x:dim>2</x:dim><x:dim>3</x:dim>") +
                                    reg("one", "0x0", "<x:dim>1</x:dim>"))),
        "a.xml");
    ASSERT_EQ(map.registers.size(), 7u);
    EXPECT_EQ(map.registers[0].name, "one[0]");
    EXPECT_EQ(map.registers[1].name, "lut[0][0]");
    EXPECT_EQ(map.registers[1].address, 0x110u);
    EXPECT_EQ(map.registers[6].name, "lut[1][2]");
    EXPECT_EQ(map.registers[6].address, 0x124u);
    EXPECT_EQ(map.select("b.lut[1]*").size(), 3u);
    EXPECT_EQ(map.select("b").size(), 7u);
    EXPECT_EQ(map.select("?.one*").size(), 1u);
    EXPECT_EQ(map.select("").size(), 7u);
}

TEST(RegisterMap, EveryAccessKind) {
    const struct {
        const char* text;
        Access access;
        bool read, write;
    } cases[] = {
        {"read-write", Access::readWrite, true, true},
        {"read-only", Access::readOnly, true, false},
        {"write-only", Access::writeOnly, false, true},
        {"read-writeOnce", Access::readWriteOnce, true, true},
        {"writeOnce", Access::writeOnce, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const RegisterMap map = RegisterMap::parse(
            component(ed2014, block("b", "0",
                                    reg("r", "0",
                                        QStringLiteral("<x:access>%1</x:access>").arg(c.text) +
                                            field("f", 0, 1)))),
            "k.xml");
        EXPECT_EQ(map.registers[0].access, c.access);
        EXPECT_EQ(map.registers[0].fields[0].access, c.access);
        EXPECT_EQ(readable(c.access), c.read);
        EXPECT_EQ(writable(c.access), c.write);
        EXPECT_EQ(accessFromText(accessText(c.access)), c.access);
    }
}

TEST(RegisterMap, NumbersInEveryForm) {
    const struct {
        const char* text;
        const char* format;
        std::optional<std::uint64_t> value;
    } cases[] = {
        {"42", "", 42},
        {" +0x2A ", "", 42},
        {"#2a", "", 42},
        {"4K", "", 4096},
        {"0x2M", "", 0x200000},
        {"1g", "", 1u << 30},
        {"'h2A", "", 42},
        {"32'hDEAD_BEEF", "", 0xDEADBEEF},
        {"8'sd255", "", 255},
        {"'b1010_1010", "", 0xAA},
        {"'o17", "", 15},
        {"1_000", "", 1000},
        {"true", "bool", 1},
        {"false", "bool", 0},
        {"\"0101\"", "bitString", 5},
        {"'h1f", "bitString", 31},
        {"8'h100", "", std::nullopt},  // does not fit its size
        {"0x", "", std::nullopt},
        {"12abc", "", std::nullopt},
        {"'q12", "", std::nullopt},
        {"0x1_0000_0000_0000_0000", "", std::nullopt},
        {"1T", "", 1ull << 40},
        {"0xFFFFFFFFFFFFFFFFk", "", std::nullopt},
        {"maybe", "bool", std::nullopt},
        {"WIDTH-1", "", std::nullopt},  // an expression
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseNumber(c.text, c.format), c.value);
    }
    EXPECT_TRUE(globMatch("a*c?", "abbbcd"));
    EXPECT_FALSE(globMatch("a*c?", "abbbc"));
    EXPECT_TRUE(globMatch("t.lut[2]", "t.lut[2]"));
}

TEST(RegisterMap, RefusesWhatCannotBeAccessed) {
    const QString ok = reg("ok", "0", "");
    const struct {
        QString blocks;
        const char* text;
    } cases[] = {
        {block("b", "0", ok + "\n" + reg("wide", "4", "").replace("<x:size>32", "<x:size>64")),
         "bad.xml:7: register b.wide: is 64 bits wide"},
        {block("b", "0", ok + reg("odd", "6", "")),
         "register b.odd: address 0x6 is not a multiple of 4"},
        {block("b", "0x7FFFFC", ok + reg("far", "4", "")),
         "register b.far: address 0x800000 lies outside the 8 MiB register window"},
        {block("b", "0x800000", ""), "address block b at 0x800000 lies outside"},
        {block("b", "0", reg("big", "0", "<x:dim>2</x:dim>")) + block("c", "4", reg("ok", "0", "")),
         "register c.ok: overlaps b.big[1] at 0x4"},
        {block("b", "0", reg("f", "0", field("a", 0, 4) + field("c", 3, 2))),
         "register b.f: fields a and c overlap"},
        {block("b", "0", reg("f", "0", field("a", 30, 3))),
         "register b.f: field a (bit offset 30, width 3) leaves the 32-bit register"},
        {block("b", "0", reg("f", "0", field("a", 0, 0))), "field a (bit offset 0, width 0)"},
        {block("b", "0",
               reg("e", "0",
                   field("a", 0, 2,
                         "<x:enumeratedValues><x:enumeratedValue><x:name>FOUR</x:name>"
                         "<x:value>4</x:value></x:enumeratedValue></x:enumeratedValues>"))),
         "register b.e: enumerated value FOUR = 4 does not fit field a (2 bits)"},
        {block("b", "0", reg("n", "0x1_0000", "")),
         "offset 0x10000 lies outside its address block"},
        {block("b", "0", reg("n", "WIDTH", "")),
         "register b.n: addressOffset 'WIDTH' is not a number"},
        {block("b", "0", reg("n", "0", "<x:access>sometimes</x:access>")),
         "unknown access 'sometimes'"},
        {block("b", "0", reg("n", "0", "<x:dim>300000</x:dim>")), "array of more than 262144"},
        {block("b", "0", ok + reg("ok", "4", "")), "register b.ok: declared twice (lines 5 and 6)"},
        {"<x:addressUnitBits>32</x:addressUnitBits>", "only byte addresses"},
        {block("b", "0", "<x:register>"), "malformed XML"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            RegisterMap::parse(component(ed2009, c.blocks), "bad.xml");
            ADD_FAILURE() << "accepted";
        } catch (const MapError& e) {
            EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("bad.xml:", 0), 0u) << e.what();
        }
    }
}

// A map file comes from outside: what it could make the loader do is bounded.
TEST(RegisterMap, RefusesHostileFiles) {
    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE c [<!ENTITY a \"aaaaaaaa\"><!ENTITY b "
        "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]><c>&b;</c>";
    QByteArray deep = component(ed2009, "");
    deep.replace("<x:memoryMap>", QByteArray("<x:memoryMap>") + QByteArray("<v>").repeated(100));
    const struct {
        QByteArray xml;
        const char* text;
    } cases[] = {
        {laughs, "x.xml:1: a document type declaration is not accepted"},
        {deep, "elements nested deeper than 64"},
        {"<component xmlns=\"urn:other\"/>", "not an IP-XACT component"},
        {"", "x.xml:1: malformed XML"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            RegisterMap::parse(c.xml, "x.xml");
            ADD_FAILURE() << "accepted";
        } catch (const MapError& e) {
            EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
        }
    }

    QTemporaryFile huge;
    ASSERT_TRUE(huge.open());
    ASSERT_TRUE(huge.resize(maxFileBytes + 1));  // sparse: nothing is written
    EXPECT_THROW(
        {
            try {
                RegisterMap::load(huge.fileName());
            } catch (const MapError& e) {
                EXPECT_NE(std::string(e.what()).find("more than a register map of 64 MiB"),
                          std::string::npos);
                throw;
            }
        },
        MapError);
    EXPECT_THROW(RegisterMap::load("/nonexistent/map.xml"), MapError);
}

}  // namespace

#include "RegisterCommands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <optional>

#include "common/CommandLine.h"
#include "common/NumberText.h"
#include "regmap/RegisterMap.h"

namespace Corvane::Tools {

namespace {

using RegMap::Field;
using RegMap::Register;
using RegMap::RegisterMap;

struct RegisterOptions {
    QString map;  // empty when none was given
    bool json = false;
    bool force = false;
    bool csv = false;
    int intervalMs = 100;
    std::optional<std::uint32_t> count;  // changes watch waits for; none: forever
};

QString hex(std::uint32_t v, int digits = 8) {
    return QStringLiteral("0x%1").arg(v, digits, 16, QLatin1Char('0'));
}

QString bits(const Field& f) {
    return f.bitWidth == 1
               ? QStringLiteral("[%1]").arg(f.bitOffset)
               : QStringLiteral("[%1:%2]").arg(f.bitOffset + f.bitWidth - 1).arg(f.bitOffset);
}

void print(const QJsonObject& json, const QString& text, bool asJson) {
    const QByteArray out =
        asJson ? QJsonDocument(json).toJson(QJsonDocument::Compact) : text.toUtf8();
    std::printf("%s\n", out.constData());
    std::fflush(stdout);
}

// "0x1 RUN": a field's value with its enumerated name.
QString fieldText(const Field& f, std::uint32_t v) {
    const auto* e = f.enumFor(v);
    return e ? QStringLiteral("%1 %2").arg(hex(v, 1), e->name) : hex(v, 1);
}

QJsonObject fieldJson(const Field& f, std::uint32_t v) {
    QJsonObject o{{"value", static_cast<qint64>(v)}};
    if (const auto* e = f.enumFor(v)) {
        o.insert("enum", e->name);
    }
    return o;
}

QJsonObject valueJson(const Register& r, std::uint32_t value) {
    QJsonObject fields;
    for (const Field& f : r.fields) {
        fields.insert(f.name, fieldJson(f, f.extract(value)));
    }
    return {{"name", r.fullName()},
            {"base", static_cast<qint64>(r.base())},
            {"offset", static_cast<qint64>(r.offset())},
            {"value", static_cast<qint64>(value)},
            {"fields", fields}};
}

bool differsFromReset(const Register& r, std::uint32_t value) {
    return ((value ^ r.reset) & r.resetMask) != 0;
}

// The register and its fields, one line each; with `againstReset`, a '*'
// marks what differs from the reset value.
QString valueText(const Register& r, std::uint32_t value, bool againstReset) {
    QString out = QStringLiteral("%1 = %2 (%3:%4)")
                      .arg(r.fullName(), hex(value))
                      .arg(r.base())
                      .arg(hex(r.offset(), 4));
    if (againstReset && differsFromReset(r, value)) {
        out += QStringLiteral(" * reset %1").arg(hex(r.reset));
    }
    for (const Field& f : r.fields) {
        const bool changed = againstReset && (r.resetMask & f.mask()) == f.mask() &&
                             f.extract(value) != f.extract(r.reset);
        out += QStringLiteral("\n    %1%2 = %3")
                   .arg(changed ? "* " : "", f.name, fieldText(f, f.extract(value)));
    }
    return out;
}

class Commands {
public:
    Commands(const RegisterOptions& o, const std::function<std::unique_ptr<RegisterBus>()>& c)
        : opt_(o), connect_(c) {
        if (opt_.map.isEmpty()) {
            throw ToolError(QStringLiteral("named registers need a register map (--map FILE or "
                                           "CORVANE_REGISTER_MAP)"),
                            usageStatus);
        }
        try {
            map_ = RegisterMap::load(opt_.map);
        } catch (const RegMap::MapError& e) {
            throw ToolError(QString::fromStdString(e.what()));
        }
    }

    void regs(const QString& pattern) {
        if (opt_.csv) {
            regsCsv(pattern);
            return;
        }
        QJsonArray all;
        for (const Register* r : selected(pattern)) {
            QJsonArray fields;
            QString text =
                QStringLiteral("%1  %2  %3:%4  %5  reset %6")
                    .arg(r->fullName(), hex(r->address))
                    .arg(r->base())
                    .arg(hex(r->offset(), 4), RegMap::accessShort(r->access), hex(r->reset));
            for (const Field& f : r->fields) {
                QJsonObject enums;
                QStringList names;
                for (const auto& e : f.enums) {
                    enums.insert(e.name, static_cast<qint64>(e.value));
                    names << QStringLiteral("%1=%2").arg(e.name).arg(e.value);
                }
                QString effects;
                if (f.writeSideEffect()) {
                    effects += QStringLiteral(" write:%1").arg(f.modifiedWriteValue);
                }
                if (!f.readAction.isEmpty()) {
                    effects += QStringLiteral(" read:%1").arg(f.readAction);
                }
                text += QStringLiteral("\n    %1 %2 %3 reset %4%5%6")
                            .arg(bits(f), f.name, RegMap::accessShort(f.access),
                                 hex(f.extract(r->reset), 1), effects,
                                 names.isEmpty() ? QString() : "  " + names.join(' '));
                fields.append(QJsonObject{{"name", f.name},
                                          {"bitOffset", f.bitOffset},
                                          {"bitWidth", f.bitWidth},
                                          {"access", RegMap::accessText(f.access)},
                                          {"reset", static_cast<qint64>(f.extract(r->reset))},
                                          {"modifiedWriteValue", f.modifiedWriteValue},
                                          {"readAction", f.readAction},
                                          {"enums", enums},
                                          {"description", f.description}});
            }
            if (opt_.json) {
                all.append(QJsonObject{{"name", r->fullName()},
                                       {"address", static_cast<qint64>(r->address)},
                                       {"base", static_cast<qint64>(r->base())},
                                       {"offset", static_cast<qint64>(r->offset())},
                                       {"access", RegMap::accessText(r->access)},
                                       {"reset", static_cast<qint64>(r->reset)},
                                       {"description", r->description},
                                       {"fields", fields}});
            } else {
                print({}, text, false);
            }
        }
        if (opt_.json) {
            print({{"registers", all}}, {}, true);
        }
    }

    // One line per register: name, base, offset, access, reset and its fields
    // as name:lsb:width[:ENUM=value|...], separated by ';'. IP-XACT names
    // hold no ',', ';', ':', '|' or '='.
    void regsCsv(const QString& pattern) {
        print({}, QStringLiteral("register,base,offset,access,reset,fields"), false);
        for (const Register* r : selected(pattern)) {
            QStringList fields;
            for (const Field& f : r->fields) {
                QString text =
                    QStringLiteral("%1:%2:%3").arg(f.name).arg(f.bitOffset).arg(f.bitWidth);
                QStringList enums;
                for (const auto& e : f.enums) {
                    enums << QStringLiteral("%1=%2").arg(e.name).arg(e.value);
                }
                if (!enums.isEmpty()) {
                    text += QLatin1Char(':') + enums.join(QLatin1Char('|'));
                }
                fields << text;
            }
            print({},
                  QStringLiteral("%1,%2,%3,%4,%5,%6")
                      .arg(r->fullName())
                      .arg(r->base())
                      .arg(r->offset())
                      .arg(RegMap::accessText(r->access), hex(r->reset),
                           fields.join(QLatin1Char(';'))),
                  false);
        }
    }

    void read(const QString& name) {
        const auto [r, f] = resolve(name);
        if (!RegMap::readable(r->access)) {
            throw ToolError(
                QStringLiteral("%1 is write-only: there is nothing to read").arg(r->fullName()));
        }
        const std::uint32_t value = connect_()->read(r->base(), r->offset());
        if (f == nullptr) {
            print(valueJson(*r, value), valueText(*r, value, false), opt_.json);
            return;
        }
        QJsonObject json = fieldJson(*f, f->extract(value));
        json.insert("name", name);
        print(json, QStringLiteral("%1 = %2").arg(name, fieldText(*f, f->extract(value))),
              opt_.json);
    }

    void write(const QString& assignment) {
        const auto eq = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(eq);
        const QString valueText = assignment.mid(eq + 1);
        const auto [r, f] = resolve(name);
        if (f == nullptr) {
            if (!RegMap::writable(r->access)) {
                throw ToolError(QStringLiteral("%1 is read-only").arg(r->fullName()));
            }
            const auto v = parseNumber(valueText);
            if (!v) {
                throw ToolError(QStringLiteral("%1: '%2' is not a number").arg(name, valueText),
                                usageStatus);
            }
            auto bus = connect_();
            bus->write(r->base(), r->offset(), *v);
            print({{"written", valueJson(*r, *v)}},
                  QStringLiteral("wrote %1 = %2").arg(name, hex(*v)), opt_.json);
            return;
        }
        std::uint32_t v = 0;
        if (const auto* e = f->enumNamed(valueText)) {
            v = e->value;
        } else if (const auto n = parseNumber(valueText)) {
            v = *n;
        } else {
            throw ToolError(QStringLiteral("%1: '%2' is neither a number nor one of its values")
                                .arg(name, valueText),
                            usageStatus);
        }
        if (f->bitWidth < 32 && (v >> f->bitWidth) != 0) {
            throw ToolError(
                QStringLiteral("%1: %2 does not fit %3 bits").arg(name, valueText).arg(f->bitWidth),
                usageStatus);
        }
        if (!RegMap::writable(f->access)) {
            throw ToolError(QStringLiteral("%1 is read-only").arg(name));
        }
        if (!RegMap::readable(r->access)) {
            throw ToolError(QStringLiteral("%1 is write-only: a field cannot be changed without "
                                           "reading the rest (write the whole register)")
                                .arg(r->fullName()));
        }
        if (!opt_.force && (r->writeSideEffect() || r->readSideEffect())) {
            throw ToolError(
                QStringLiteral("%1 has %2: writing a field back could change others (--force "
                               "does it anyway, or write the whole register)")
                    .arg(r->fullName(), sideEffects(*r)));
        }
        auto bus = connect_();
        const std::uint32_t before = bus->read(r->base(), r->offset());
        const std::uint32_t after = f->insert(before, v);
        bus->write(r->base(), r->offset(), after);
        QJsonObject json = valueJson(*r, after);
        json.insert("previous", static_cast<qint64>(before));
        print({{"written", json}},
              QStringLiteral("wrote %1 = %2 (%3 %4 -> %5)")
                  .arg(name, fieldText(*f, v), r->fullName(), hex(before), hex(after)),
              opt_.json);
    }

    void dump(const QString& pattern) {
        QJsonArray values, skipped;
        std::unique_ptr<RegisterBus> bus;
        for (const Register* r : selected(pattern)) {
            QString reason;
            if (!RegMap::readable(r->access)) {
                reason = QStringLiteral("write-only");
            } else if (r->readSideEffect() && !opt_.force) {
                reason = QStringLiteral("reading it has a side effect; --force reads it");
            }
            if (!reason.isEmpty()) {
                skipped.append(QJsonObject{{"name", r->fullName()}, {"reason", reason}});
                if (!opt_.json) {
                    print({}, QStringLiteral("%1: skipped (%2)").arg(r->fullName(), reason), false);
                }
                continue;
            }
            if (!bus) {
                bus = connect_();
            }
            const std::uint32_t value = bus->read(r->base(), r->offset());
            QJsonObject json = valueJson(*r, value);
            json.insert("differs", differsFromReset(*r, value));
            values.append(json);
            if (!opt_.json) {
                print({}, valueText(*r, value, true), false);
            }
        }
        if (opt_.json) {
            print({{"registers", values}, {"skipped", skipped}}, {}, true);
        }
    }

    void watch(const QString& name) {
        const auto [r, f] = resolve(name);
        if (f != nullptr) {
            throw ToolError(QStringLiteral("watch takes a register, not a field"), usageStatus);
        }
        if (!RegMap::readable(r->access)) {
            throw ToolError(
                QStringLiteral("%1 is write-only: there is nothing to read").arg(r->fullName()));
        }
        if (r->readSideEffect() && !opt_.force) {
            throw ToolError(
                QStringLiteral("%1 has %2: every poll would trigger it (--force watches it anyway)")
                    .arg(r->fullName(), sideEffects(*r)));
        }
        std::optional<std::uint32_t> last;
        std::uint32_t changes = 0;
        for (;;) {
            // A connection per poll: the daemon serves one client at a time.
            const std::uint32_t value = connect_()->read(r->base(), r->offset());
            if (!last || value != *last) {
                QStringList changed;
                for (const Field& fl : r->fields) {
                    if (last && fl.extract(value) != fl.extract(*last)) {
                        changed << fl.name;
                    }
                }
                QJsonObject json = valueJson(*r, value);
                json.insert("changed", QJsonArray::fromStringList(changed));
                QString text = QStringLiteral("%1 = %2").arg(r->fullName(), hex(value));
                if (!changed.isEmpty()) {
                    text += QStringLiteral("  changed: %1").arg(changed.join(", "));
                }
                print(json, text, opt_.json);
                if (last && opt_.count && ++changes >= *opt_.count) {
                    return;
                }
                last = value;
            }
            QThread::msleep(static_cast<unsigned long>(opt_.intervalMs));
        }
    }

private:
    std::vector<const Register*> selected(const QString& pattern) const {
        auto out = map_.select(pattern);
        if (out.empty()) {
            throw ToolError(QStringLiteral("no register matches '%1' in %2").arg(pattern, opt_.map),
                            usageStatus);
        }
        return out;
    }

    // "block.register" or "block.register.field".
    std::pair<const Register*, const Field*> resolve(const QString& name) const {
        if (const Register* r = map_.find(name)) {
            return {r, nullptr};
        }
        const auto dot = name.lastIndexOf(QLatin1Char('.'));
        if (const Register* r = dot > 0 ? map_.find(name.left(dot)) : nullptr) {
            if (const Field* f = r->field(name.mid(dot + 1))) {
                return {r, f};
            }
            throw ToolError(
                QStringLiteral("%1 has no field '%2'").arg(r->fullName(), name.mid(dot + 1)),
                usageStatus);
        }
        throw ToolError(
            QStringLiteral("no register '%1' in %2 (regs lists them)").arg(name, opt_.map),
            usageStatus);
    }

    static QString sideEffects(const Register& r) {
        QStringList out;
        for (const Field& f : r.fields) {
            if (f.writeSideEffect()) {
                out << QStringLiteral("%1 (%2)").arg(f.name, f.modifiedWriteValue);
            }
            if (!f.readAction.isEmpty()) {
                out << QStringLiteral("%1 (read %2)").arg(f.name, f.readAction);
            }
        }
        return QStringLiteral("side-effect fields ") + out.join(", ");
    }

    RegisterOptions opt_;
    std::function<std::unique_ptr<RegisterBus>()> connect_;
    RegisterMap map_;
};

bool numeric(const QString& s) {
    return parseNumber(s).has_value();
}

}  // namespace

void addRegisterOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {"map",
         "IP-XACT register map (1685-2009 or 1685-2014) naming the registers (default: "
         "$CORVANE_REGISTER_MAP).",
         "FILE"},
        {"force",
         "Write fields of registers with side effects; dump and watch registers whose "
         "read has one."},
        {"count", "watch: stop after N changes.", "N"},
        {"csv", "regs: a table for the Wireshark dissector (its register_map preference)."},
    });
}

namespace {

RegisterOptions registerOptions(const QCommandLineParser& parser) {
    RegisterOptions o;
    o.map =
        parser.isSet("map") ? parser.value("map") : qEnvironmentVariable("CORVANE_REGISTER_MAP");
    o.json = parser.isSet("json");
    o.force = parser.isSet("force");
    o.csv = parser.isSet("csv");
    if (parser.isSet("interval")) {
        const auto ms = parseNumber(parser.value("interval"));
        o.intervalMs =
            ms ? static_cast<int>(std::min<std::uint32_t>(*ms, 86400000u)) : o.intervalMs;
    }
    if (parser.isSet("count")) {
        o.count = parseNumber(parser.value("count"));
        if (!o.count || *o.count == 0) {
            throw ToolError(QStringLiteral("--count: '%1' is not a count of changes")
                                .arg(parser.value("count")),
                            usageStatus);
        }
    }
    return o;
}

}  // namespace

bool isRegisterCommand(const QStringList& args) {
    if (args.isEmpty()) {
        return false;
    }
    const QString& c = args[0];
    return c == QLatin1String("regs") || c == QLatin1String("dump") ||
           c == QLatin1String("watch") ||
           (c == QLatin1String("read") && args.size() == 2 && !numeric(args[1])) ||
           (c == QLatin1String("write") && args.size() == 2 && args[1].contains(QLatin1Char('=')));
}

int runRegisterCommand(const QStringList& args, const QCommandLineParser& parser,
                       const std::function<std::unique_ptr<RegisterBus>()>& connect) {
    const QString& c = args[0];
    const bool oneOptional = c == QLatin1String("regs") || c == QLatin1String("dump");
    if (oneOptional ? args.size() > 2 : args.size() != 2) {
        const QString usage = c == QLatin1String("watch")
                                  ? QStringLiteral("watch NAME [--interval MS] [--count N]")
                                  : QStringLiteral("%1 [BLOCK|PATTERN]").arg(c);
        return fail(usageStatus, QStringLiteral("usage: corvane-axi %1").arg(usage));
    }
    const QString arg = args.value(1);
    try {
        Commands commands(registerOptions(parser), connect);
        if (c == QLatin1String("regs")) {
            commands.regs(arg);
        } else if (c == QLatin1String("dump")) {
            commands.dump(arg);
        } else if (c == QLatin1String("watch")) {
            commands.watch(arg);
        } else if (c == QLatin1String("read")) {
            commands.read(arg);
        } else {
            commands.write(arg);
        }
    } catch (const ToolError& e) {
        return fail(e);
    }
    return 0;
}

}  // namespace Corvane::Tools

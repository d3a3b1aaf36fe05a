#include "client/DatacoreValueText.h"

namespace Corvane {

QStringList splitValues(const QString& text) {
    QStringList values{QString()};
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == QLatin1Char('\\') && (next == QLatin1Char(',') || next == QLatin1Char('\\'))) {
            values.back().append(next);
            ++i;
        } else if (c == QLatin1Char(',')) {
            values.append(QString());
        } else {
            values.back().append(c);
        }
    }
    return values;
}

QString joinValues(const QStringList& values) {
    QStringList escaped;
    for (QString v : values) {
        v.replace(QLatin1String("\\"), QLatin1String("\\\\"));
        v.replace(QLatin1String(","), QLatin1String("\\,"));
        escaped.append(v);
    }
    return escaped.join(QLatin1Char(','));
}

}  // namespace Corvane

#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "sdi/PayloadIdentifierBase.h"
#include "sdi/StandardFromPayloadIdentifier.h"
#include "sdi/SupportedVideoStandards.h"

// What corvane-vpid reports: decoded payload identifiers and the catalogue,
// built once as JSON and printed either as JSON or as text.
namespace Corvane::Vpid {

// "0x89C98001", "89c98001": one to eight hex digits, with or without 0x.
std::optional<std::uint32_t> parseWord(const QString& text);

// Every field with its bits, value and meaning, set reserved bits,
// validation messages and the geometry of one identifier.
QJsonObject describeIdentifier(const Sdi::PayloadIdentifierBase& identifier);

// Texts, link structure and timing of a whole standard.
QJsonObject describeStandard(const Sdi::StandardFromPayloadIdentifier& standard);

// The identifiers of one standard in link order. "complete" tells whether
// they form the whole standard; only then "standard" is present.
QJsonObject decodeWords(const std::vector<std::uint32_t>& words);

// One row per catalogue entry, in catalogue order.
QJsonArray listStandards(const Sdi::SupportedVideoStandards::StandardPointers& standards);

QString formatDecodeReport(const QJsonObject& report);
QString formatStandardList(const QJsonArray& rows);

}  // namespace Corvane::Vpid

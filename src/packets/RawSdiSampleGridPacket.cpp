#include "packets/RawSdiSampleGridPacket.h"

#include "packets/PayloadIo.h"

#include <utility>

namespace Corvane {
namespace {

constexpr qint64 rowFieldBytes = 7 * 4;

void writeRowFields(QDataStream& out, const Types::RawSdiSampleGridRow& row) {
    out << row.lineNumber << row.firstSample << row.sampleStep << row.linkNumber << row.dataStream
        << row.fieldNumber << row.flags;
}

void readRowFields(QDataStream& in, Types::RawSdiSampleGridRow& row) {
    in >> row.lineNumber >> row.firstSample >> row.sampleStep >> row.linkNumber >> row.dataStream >>
        row.fieldNumber >> row.flags;
}

}  // namespace

RawSdiSampleGridPacket::RawSdiSampleGridPacket(Types::RawSdiSampleGrid&& grid)
    : grid_(std::move(grid)) {}

RawSdiSampleGridPacket::RawSdiSampleGridPacket(const QByteArray& frame) : RawDataPacket(frame) {
    QDataStream in(payload_);
    quint32 declaredRows = 0;
    quint32 samplesPerRow = 0;
    quint32 declaredListLength = 0;
    in >> declaredRows >> samplesPerRow >> declaredListLength;

    std::vector<quint32> list(PayloadIo::boundedCount(declaredListLength, in, sizeof(quint32)));
    for (quint32& value : list) {
        in >> value;
    }
    const qint64 rowBytes = rowFieldBytes + 4 * qint64(samplesPerRow);
    grid_.rows.resize(PayloadIo::boundedCount(declaredRows, in, rowBytes));
    for (Types::RawSdiSampleGridRow& row : grid_.rows) {
        row.interfaceList = list;
        readRowFields(in, row);
        row.samples.resize(samplesPerRow);
        for (unsigned int& sample : row.samples) {
            in >> sample;
        }
    }
}

qint64 RawSdiSampleGridPacket::getPayloadSizeInBytes(qint64 perRowListLength, qint64 rowCount,
                                                     qint64 samplesPerRow) {
    return 12 + 4 * perRowListLength + rowCount * (rowFieldBytes + 4 * samplesPerRow);
}

QByteArray RawSdiSampleGridPacket::getSerialisedPayloadForTransmit() const {
    const std::vector<Types::RawSdiSampleGridRow>& rows = grid_.rows;
    const size_t samplesPerRow = rows.empty() ? 0 : rows.front().samples.size();
    const std::vector<quint32> noList;
    const std::vector<quint32>& list = rows.empty() ? noList : rows.front().interfaceList;
    const qint64 size =
        getPayloadSizeInBytes(qint64(list.size()), qint64(rows.size()), qint64(samplesPerRow));
    return PayloadIo::write(size, [&](QDataStream& out) {
        out << quint32(rows.size()) << quint32(samplesPerRow) << quint32(list.size());
        for (quint32 value : list) {
            out << value;
        }
        for (const Types::RawSdiSampleGridRow& row : rows) {
            writeRowFields(out, row);
            for (size_t i = 0; i < samplesPerRow; ++i) {
                out << quint32(i < row.samples.size() ? row.samples[i] : 0);
            }
        }
    });
}

}  // namespace Corvane

#include "datacore/DatacoreBool.h"

namespace Corvane {

namespace {

const QString trueText = QStringLiteral("true");
const QString falseText = QStringLiteral("false");
const QString defaultClassName = QStringLiteral("DatacoreBool");

const QString& textOf(bool value) {
    return value ? trueText : falseText;
}

}  // namespace

DatacoreBool::DatacoreBool(QString className, QString instanceName, DatacoreBase* parent,
                           bool initial)
    : DatacoreBase(std::move(className), std::move(instanceName), parent, textOf(initial)) {}

DatacoreBool::DatacoreBool(QString instanceName, DatacoreBase* parent, bool initial)
    : DatacoreBool(defaultClassName, std::move(instanceName), parent, initial) {}

DatacoreBool::DatacoreBool(QString className, QString instanceName, DatacoreBase* parent)
    : DatacoreBool(std::move(className), std::move(instanceName), parent, false) {}

DatacoreBool::DatacoreBool(QString instanceName, DatacoreBase* parent)
    : DatacoreBool(defaultClassName, std::move(instanceName), parent, false) {}

void DatacoreBool::setDataBool(bool value) {
    setData(textOf(value));
}

bool DatacoreBool::getDataBool() const {
    const auto& data = getDataArray();
    return !data.empty() && data.front() == trueText;
}

void DatacoreBool::regenerateInvalidationStatusMessages(
    std::list<DatacoreValidStatusMessage>& reasons) const {
    reasons.clear();
    const auto& data = getDataArray();
    DatacoreValidStatusMessage::MessageContent problem;
    if (data.size() > 1) {
        problem = DatacoreValidStatusMessage::arrayTooManyItems;
    } else if (data.empty()) {
        problem = DatacoreValidStatusMessage::arrayTooFewItems;
    } else if (data.front() != trueText && data.front() != falseText) {
        problem = DatacoreValidStatusMessage::notBoolean;
    } else {
        return;
    }
    reasons.emplace_back(MessageBase::error, problem);
}

}  // namespace Corvane

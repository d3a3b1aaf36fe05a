#pragma once

#include "datacore/DatacoreBase.h"

namespace Corvane {

// A datacore holding one boolean as the text "true" or "false". Anything
// else stored in it (other words, other spellings, no or several entries)
// makes the node invalid.
class DatacoreBool : public DatacoreBase {
public:
    DatacoreBool(QString className, QString instanceName, DatacoreBase* parent, bool initial);
    DatacoreBool(QString instanceName, DatacoreBase* parent, bool initial);
    DatacoreBool(QString className, QString instanceName, DatacoreBase* parent);
    DatacoreBool(QString instanceName, DatacoreBase* parent);

    void setDataBool(bool value);
    // True exactly when the first entry is "true".
    bool getDataBool() const;

protected:
    void regenerateInvalidationStatusMessages(
        std::list<DatacoreValidStatusMessage>& reasons) const override;
};

}  // namespace Corvane

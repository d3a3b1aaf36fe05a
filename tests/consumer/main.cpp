// Calls into libcorvane through its installed headers and checks what comes
// back: video standard identification, the datacore tree and its JSON, and
// the status documents' HTTP helpers. Exits 1 on the first wrong answer.

#include <QCoreApplication>
#include <QJsonObject>
#include <cstdio>
#include <list>

#include "datacore/DatacoreBase.h"
#include "sdi/PayloadIdentifierFactory.h"
#include "sdi/StandardFromPayloadIdentifier.h"
#include "sdi/SupportedVideoStandards.h"
#include "status/HttpCommon.h"

using namespace Corvane;

static bool check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "corvane-consumer: wrong %s\n", what);
    }
    return ok;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    // 1080p50 on 3G level A: the same identifier on both data streams.
    const Sdi::PayloadIdentifierPtr vpid = Sdi::PayloadIdentifierFactory::create(0x89C98001);
    const auto standard =
        Sdi::StandardFromPayloadIdentifier::createStandardFromPayloadIdentifier({vpid, vpid});
    // A datacore's JSON populates a second tree of the same shape.
    DatacoreBase root("root", nullptr);
    DatacoreBase gain("gain", &root, "12");
    DatacoreBase copy("root", nullptr);
    DatacoreBase copiedGain("gain", &copy, "0");
    QJsonObject json;
    std::list<DatacoreJsonMessage> messages;
    if (!check(standard && standard->getStandardAsReferenceString() == "1080p50", "standard") ||
        !check(!Sdi::SupportedVideoStandards::instance().getSupportedAnalyserStandards().empty(),
               "catalogue") ||
        !check(gain.getPath() == "root/gain", "datacore path") ||
        !check(root.appendDataToJson("", json, true, true, messages), "datacore JSON") ||
        !check(copy.populateDataFromJson("", json, true, messages) && copiedGain.getData() == "12",
               "datacore populate") ||
        !check(QString(HTTP::getMessageForStatusCode(HTTP::NotFound)) == "Not Found",
               "HTTP phrase")) {
        return 1;
    }
    std::printf("corvane-consumer: %s, datacore %s, libcorvane answers\n",
                qPrintable(standard->getStandardAsShortText()), qPrintable(gain.getPath()));
    return 0;
}

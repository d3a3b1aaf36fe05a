#include "version/VersionInfo.h"

#include "app/Logging.h"
#include "platform/TqPlatformAbstraction.h"
#include "version/BuildInfo.h"

namespace Corvane {
namespace {

const QString kUnknown = QStringLiteral("Unknown");

}  // namespace

VersionInfo::VersionInfo()
    : platform_(std::make_unique<TqPlatformAbstraction>()),
      software_{QStringLiteral("Software"), QStringLiteral(CORVANE_SOFTWARE_VERSION)},
      sha1_{QStringLiteral("SHA1"), QStringLiteral(CORVANE_GIT_SHA1)},
      branch_{QStringLiteral("Branch"), QStringLiteral(CORVANE_GIT_BRANCH)},
      buildId_{QStringLiteral("Build ID"), QStringLiteral(CORVANE_BUILD_ID)},
      toolchain_{QStringLiteral("Toolchain"), QStringLiteral(CORVANE_TOOLCHAIN)},
      image_{QStringLiteral("Image"), QStringLiteral(CORVANE_IMAGE)},
      main_{QStringLiteral("Main"), kUnknown},
      mezzanine_{QStringLiteral("Mezzanine"), kUnknown},
      frontpanel_{QStringLiteral("Frontpanel"), kUnknown},
      fpgaId_{QStringLiteral("FPGA ID"), kUnknown},
      fpga_{QStringLiteral("FPGA"), kUnknown} {
    const std::pair<TqTypes::boardIdentity, VersionedEntity*> boards[] = {
        {TqTypes::MAIN, &main_},
        {TqTypes::MEZZANINE, &mezzanine_},
        {TqTypes::FRONTPANEL, &frontpanel_}};
    for (const auto& [board, entry] : boards) {
        if (platform_->hasBoard(board)) {
            entry->version = QString::number(platform_->getBoardId(board));
        }
    }

    unsigned int designId = 0, major = 0, minor = 0, patch = 0, build = 0;
    if (platform_->getFPGABuildInfo(designId, major, minor, patch, build)) {
        fpga_.version = QStringLiteral("%1.%2.%3+%4").arg(major).arg(minor).arg(patch).arg(build);
        fpgaId_.version = QString::number(designId);
    }

    for (const VersionedEntity& entry : getAllVersions()) {
        logf(LogLevel::info, "{}: {}", entry.name, entry.version);
    }
}

VersionInfo::~VersionInfo() = default;

std::vector<VersionedEntity> VersionInfo::getAllVersions() const {
    return {software_, sha1_,      branch_,     buildId_, toolchain_, image_,
            main_,     mezzanine_, frontpanel_, fpgaId_,  fpga_};
}

}  // namespace Corvane

#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace Corvane {

class PlatformAbstractionInterface;

struct VersionedEntity {
    QString name;
    QString version;
};

// Snapshot of the software build and the hardware versions, logged at
// construction: Software, SHA1, Branch, Build ID, Toolchain, Image, Main,
// Mezzanine, Frontpanel, FPGA ID, FPGA.
class VersionInfo {
public:
    VersionInfo();
    ~VersionInfo();
    VersionInfo(const VersionInfo&) = delete;
    VersionInfo& operator=(const VersionInfo&) = delete;

    std::vector<VersionedEntity> getAllVersions() const;

private:
    std::unique_ptr<PlatformAbstractionInterface> platform_;
    VersionedEntity software_;
    VersionedEntity sha1_;
    VersionedEntity branch_;
    VersionedEntity buildId_;
    VersionedEntity toolchain_;
    VersionedEntity image_;
    VersionedEntity main_;
    VersionedEntity mezzanine_;
    VersionedEntity frontpanel_;
    VersionedEntity fpgaId_;
    VersionedEntity fpga_;
};

}  // namespace Corvane

#include "NorFlash.h"

#include <fcntl.h>
#include <mtd/mtd-user.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>

#include "IoctlHandler.h"
#include "Testbed.h"

namespace Corvane::Sim {

// How the node works under umockdev 0.17: the program's descriptor is a
// real descriptor on the testbed's backing file, and only ioctl(), read()
// and write() are forwarded to this handler; lseek(), pread()/pwrite() and
// mmap() go straight to the backing file. So:
// - reads are left to the backing file (the handler declines them), which
//   is exactly the partition's bytes, and lseek() positions them;
// - a write cannot be told its file offset. The handler lets the program's
//   own write run on the backing file (umockdev_ioctl_client_execute) and
//   compares the file before and after: every byte that changed was written
//   here and becomes old AND written; a byte that did not change needs no
//   fix (old AND old = old). A file grown past the partition shows where the
//   write ended, hence where it began: a write starting at or past the end
//   fails with ENOSPC, one crossing it counts only the bytes up to it, and
//   the file is cut back to the partition's size. The one difference from
//   the kernel: after such a write the descriptor's offset is where the full
//   write would have left it (past the end), not at the end; later writes
//   fail with ENOSPC and reads return 0 either way.
// - the backing file is a regular file, so fstat() reports one; stat() on
//   the path reports a character device 90:2N through dev/.node/mtdN, as
//   flash_erase and libmtd want to compare it with the sysfs "dev" file.
// Unmodified mtd-utils flash_erase and flashcp work against this.
class NorFlash::Emulation : public IoctlHandler {
public:
    explicit Emulation(const NorGeometry& geometry) : geometry_(geometry) {}

    void setFile(const std::string& path) { file_ = path; }

protected:
    bool handleIoctl(UMockdevIoctlClient* client) override {
        std::lock_guard<std::mutex> lock(mutex_);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        int error = 0;
        switch (umockdev_ioctl_client_get_request(client)) {
            case MEMGETINFO:
                if (!withPointee<mtd_info_user>(arg, [&](mtd_info_user& info) {
                        info = mtd_info_user{};
                        info.type = MTD_NORFLASH;
                        info.flags = MTD_CAP_NORFLASH;
                        info.size = geometry_.size;
                        info.erasesize = geometry_.eraseSize;
                        info.writesize = 1;
                    })) {
                    error = EFAULT;
                }
                break;
            case MEMUNLOCK:
            case MEMLOCK:
                // Locks do not change here; the range must still lie on the chip.
                withRange<erase_info_user>(arg, error, [](std::uint64_t, std::uint64_t) {});
                break;
            case MEMISLOCKED:
                withRange<erase_info_user>(arg, error, [](std::uint64_t, std::uint64_t) {});
                if (error == 0) {
                    // mtdchar hands the chip's answer back as the result.
                    umockdev_ioctl_client_complete(client, geometry_.lockedDown ? 1 : 0, 0);
                    return true;
                }
                break;
            case MEMERASE:
                withRange<erase_info_user>(arg, error,
                                           [&](std::uint64_t start, std::uint64_t length) {
                                               erase(start, length, error);
                                           });
                break;
            case MEMERASE64:
                withRange<erase_info_user64>(arg, error,
                                             [&](std::uint64_t start, std::uint64_t length) {
                                                 erase(start, length, error);
                                             });
                break;
            default:
                error = ENOTTY;
                break;
        }
        umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
        return true;
    }

    bool handleWrite(UMockdevIoctlClient* client) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (geometry_.lockedDown) {
            umockdev_ioctl_client_complete(client, -1, EROFS);
            return true;
        }
        std::string before;
        if (!load(before)) {
            umockdev_ioctl_client_complete(client, -1, EIO);
            return true;
        }
        int error = 0;
        GError* gerror = nullptr;
        const int written = umockdev_ioctl_client_execute(client, &error, &gerror);
        g_clear_error(&gerror);
        std::string after;
        if (written < 0 || !readWhole(after)) {
            restore(before);
            umockdev_ioctl_client_complete(client, -1, written < 0 ? error : EIO);
            return true;
        }
        long result = written;
        if (after.size() > geometry_.size) {
            const std::size_t start = after.size() - static_cast<std::size_t>(written);
            result = start >= geometry_.size ? -1 : static_cast<long>(geometry_.size - start);
            after.resize(geometry_.size);
        }
        // NOR programming can only clear bits.
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (after[i] != before[i]) {
                after[i] = static_cast<char>(before[i] & after[i]);
            }
        }
        restore(after);
        umockdev_ioctl_client_complete(client, result, result < 0 ? ENOSPC : 0);
        return true;
    }

private:
    template <typename Request, typename F>
    void withRange(UMockdevIoctlData* arg, int& error, F&& use) {
        const bool read = withPointee<Request>(arg, [&](Request& r) {
            const std::uint64_t start = r.start;
            const std::uint64_t length = r.length;
            // mtd_erase's checks, and the chip driver's block alignment.
            if (start >= geometry_.size || length > geometry_.size - start ||
                start % geometry_.eraseSize != 0 || length % geometry_.eraseSize != 0) {
                error = EINVAL;
                return;
            }
            use(start, length);
        });
        if (!read) {
            error = EFAULT;
        }
    }

    void erase(std::uint64_t start, std::uint64_t length, int& error) {
        if (geometry_.lockedDown) {
            error = EROFS;
            return;
        }
        std::string bytes;
        if (!load(bytes)) {
            error = EIO;
            return;
        }
        bytes.replace(start, length, length, '\xff');
        if (!restore(bytes)) {
            error = EIO;
        }
    }

    bool readWhole(std::string& bytes) const {
        try {
            bytes = readFile(file_);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

    // The partition's bytes; a backing file someone cut short or grew (a
    // test writing it directly) is brought back to the partition's size,
    // the missing part erased.
    bool load(std::string& bytes) {
        if (!readWhole(bytes)) {
            return false;
        }
        if (bytes.size() != geometry_.size) {
            // cppcheck-suppress invalidFunctionArg ; '\xff' is the char erased flash reads as
            bytes.resize(geometry_.size, '\xff');
            return restore(bytes);
        }
        return true;
    }

    // In place, not by replacing the file: the program's descriptor must
    // keep seeing it.
    bool restore(const std::string& bytes) const {
        const int fd = ::open(file_.c_str(), O_WRONLY);
        if (fd < 0) {
            return false;
        }
        bool ok = ::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
        ok = ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ok;
        ::close(fd);
        return ok;
    }

    std::mutex mutex_;
    const NorGeometry geometry_;
    std::string file_;
};

NorFlash::NorFlash(const NorGeometry& geometry, std::string contents)
    : geometry_(geometry),
      contents_(std::move(contents)),
      emulation_(std::make_unique<Emulation>(geometry)) {}

NorFlash::~NorFlash() = default;

std::string NorFlash::devicePath(unsigned int index) {
    return "/dev/mtd" + std::to_string(index);
}

std::string NorFlash::devicePath() const {
    return devicePath(geometry_.index);
}

std::string NorFlash::image(const std::string& contents, std::uint32_t size) {
    std::string bytes(size, '\xff');
    bytes.replace(0, std::min<std::size_t>(contents.size(), size), contents, 0, size);
    return bytes;
}

void NorFlash::install(Testbed& testbed) {
    const std::string node = "mtd" + std::to_string(geometry_.index);
    const std::string majorMinor = "90:" + std::to_string(2 * geometry_.index);
    testbed.put(devicePath(), image(contents_, geometry_.size));

    const std::string sys = "/sys/class/mtd/" + node + "/";
    const auto attribute = [&](const char* name, const std::string& value) {
        testbed.put(sys + name, value + "\n");
    };
    attribute("dev", majorMinor);
    attribute("name", geometry_.name);
    attribute("type", "nor");
    attribute("size", std::to_string(geometry_.size));
    attribute("erasesize", std::to_string(geometry_.eraseSize));
    attribute("writesize", "1");
    attribute("subpagesize", "1");
    attribute("oobsize", "0");
    attribute("oobavail", "0");
    attribute("numeraseregions", "0");
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%x", MTD_CAP_NORFLASH);
    attribute("flags", flags);

    // stat() of /dev/mtdN reports this character device.
    const std::filesystem::path link = testbed.pathOf("/dev/.node/" + node);
    std::filesystem::create_directories(link.parent_path());
    std::filesystem::remove(link);
    std::filesystem::create_symlink(majorMinor, link);

    emulation_->setFile(testbed.pathOf(devicePath()));
    testbed.attach(devicePath(), *emulation_, "flash emulation of " + devicePath());
}

}  // namespace Corvane::Sim

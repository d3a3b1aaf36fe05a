#include "Launch.h"

#include <fcntl.h>
#include <limits.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "Testbed.h"

extern char** environ;

namespace fs = std::filesystem;

namespace Corvane::Sim {

namespace {

// The program that runs programs of this build when they are not native to
// this machine (the armhf build's qemu-arm wrapper sets it); null otherwise.
const char* emulator() {
    const char* e = std::getenv("CORVANE_EMULATOR");
    return e != nullptr && *e != '\0' ? e : nullptr;
}

// The board's root as a child must set it up: prepared before fork, since
// the child of the threaded parent may only make system calls.
struct BoardRoot {
    std::string root;
    std::vector<std::pair<std::string, std::string>> binds;  // host path, mount point
    std::string cwd;
};

// Mount points in boardDir for the entries of the host's hostDir, but for
// those named in kept (the board's own); symbolic links are copied. The
// mount points live in the testbed, so nothing is created on the host.
// The host's entries are listed through /proc/self/root: under qemu-user's
// -L the emulator answers a listing of "/" with its own root's, while the
// kernel's magic link is the real one (mount(2) is not redirected).
void mirror(const fs::path& hostDir, const fs::path& boardDir,
            std::initializer_list<const char*> kept, BoardRoot& board) {
    fs::create_directories(boardDir);
    const fs::path listed = fs::path("/proc/self/root") / hostDir.relative_path();
    for (const fs::directory_entry& entry : fs::directory_iterator(listed)) {
        const std::string name = entry.path().filename();
        if (std::any_of(kept.begin(), kept.end(), [&](const char* k) { return name == k; })) {
            continue;
        }
        const fs::path point = boardDir / name;
        const bool exists = fs::exists(fs::symlink_status(point));
        if (entry.is_symlink()) {
            if (!exists) {
                fs::create_symlink(fs::read_symlink(entry.path()), point);
            }
            continue;
        }
        if (entry.is_directory()) {
            fs::create_directory(point);
        } else if (!exists) {
            writeFile(point, "");  // a file is bound onto a file
        }
        board.binds.emplace_back(hostDir / name, point);
    }
}

BoardRoot prepareBoardRoot(const std::string& root) {
    BoardRoot board{boardRootOf(root), {}, {}};
    // The top level is the board's (the marker lands there), and so is
    // /var/volatile; /var is mirrored for it.
    mirror("/", board.root, {"var", "nostart"}, board);
    mirror("/var", board.root + "/var", {"volatile"}, board);
    fs::create_directories(board.root + "/var/volatile");
    std::error_code unknown;
    board.cwd = fs::current_path(unknown);
    return board;
}

void say(const char* text, const std::string& path = {}) {
    (void)!::write(STDERR_FILENO, text, std::strlen(text));
    (void)!::write(STDERR_FILENO, path.data(), path.size());
    (void)!::write(STDERR_FILENO, "\n", 1);
}

// In the child: a private mount namespace (host mounts still propagate in,
// ours never out) whose "/" is the board's root. System calls only. Where
// no namespace can be made (not root), the child goes on seeing the host's
// "/"; false when the board's root could not be set up.
bool enterBoardRoot(const BoardRoot& board) {
    if (::unshare(CLONE_NEWNS) != 0) {
        return errno == EPERM;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_SLAVE, nullptr) != 0) {
        say("corvane-simboard: cannot make / a slave mount");
        return false;
    }
    for (const auto& [from, to] : board.binds) {
        if (::mount(from.c_str(), to.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
            say("corvane-simboard: cannot bind into the board's root: ", from);
            return false;
        }
    }
    if (::chroot(board.root.c_str()) != 0) {
        say("corvane-simboard: cannot change root to ", board.root);
        return false;
    }
    if (::chdir(board.cwd.c_str()) != 0 && ::chdir("/") != 0) {
        return false;
    }
    return true;
}

}  // namespace

std::string boardRootOf(const std::string& root) {
    return root + "/rootfs";
}

pid_t spawnInTestbed(const std::string& root, const std::vector<std::string>& argv,
                     const std::string& outputPath) {
    if (argv.empty()) {
        throw std::invalid_argument("nothing to run");
    }
    // Everything the child needs is prepared before fork: the parent runs
    // umockdev's worker threads, so the child may only exec.
    std::vector<std::string> args{"umockdev-wrapper"};
    if (const char* e = emulator()) {
        args.emplace_back(e);
    }
    args.insert(args.end(), argv.begin(), argv.end());
    std::vector<char*> cargs;
    for (auto& a : args) {
        cargs.push_back(a.data());
    }
    cargs.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "UMOCKDEV_DIR=", 13) != 0) {
            env.emplace_back(*e);
        }
    }
    env.push_back("UMOCKDEV_DIR=" + root);
    std::vector<char*> cenv;
    for (auto& e : env) {
        cenv.push_back(e.data());
    }
    cenv.push_back(nullptr);

    int outFd = -1;
    if (!outputPath.empty()) {
        outFd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (outFd < 0) {
            throwErrno(outputPath);
        }
    }
    const BoardRoot board = prepareBoardRoot(root);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The program ends with whoever started it, even when that is killed
        // outright: a program left behind would keep its board's mount
        // namespace, and with it copies of other boards' mounts, alive.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) {
            ::_exit(127);
        }
        if (outFd >= 0) {
            ::dup2(outFd, STDOUT_FILENO);
            ::dup2(outFd, STDERR_FILENO);
        }
        if (!enterBoardRoot(board)) {
            ::_exit(127);
        }
        ::execvpe(cargs[0], cargs.data(), cenv.data());
        const char message[] = "umockdev-wrapper: cannot be started\n";
        (void)!::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(127);
    }
    if (outFd >= 0) {
        ::close(outFd);
    }
    if (pid < 0) {
        throwErrno("fork");
    }
    return pid;
}

int runInBoardRoot(const std::string& root, int (*function)()) {
    const BoardRoot board = prepareBoardRoot(root);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(enterBoardRoot(board) ? function() & 0xFF : 255);
    }
    if (pid < 0) {
        throwErrno("fork");
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

void reexecUnderPreload(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr) {
        return;
    }
    std::string value = "libumockdev-preload.so.0";
    if (preload != nullptr && *preload != '\0') {
        value += ":";
        value += preload;
    }
    ::setenv("LD_PRELOAD", value.c_str(), 1);
    if (const char* e = emulator()) {
        // To the kernel, /proc/self/exe is the emulator; readlink, which the
        // emulator answers, names this program.
        char self[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
        if (n > 0) {
            self[n] = '\0';
            std::vector<char*> args{const_cast<char*>(e), self};
            args.insert(args.end(), argv + 1, argv + argc);
            args.push_back(nullptr);
            ::execv(e, args.data());
        }
    } else {
        ::execv("/proc/self/exe", argv);
    }
    std::perror("re-executing with the umockdev preload");
    std::exit(1);
}

}  // namespace Corvane::Sim

#include "Launch.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "Testbed.h"

extern char** environ;

namespace Corvane::Sim {

namespace {

// The program that runs programs of this build when they are not native to
// this machine (the armhf build's qemu-arm wrapper sets it); null otherwise.
const char* emulator() {
    const char* e = std::getenv("CORVANE_EMULATOR");
    return e != nullptr && *e != '\0' ? e : nullptr;
}

}  // namespace

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
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (outFd >= 0) {
            ::dup2(outFd, STDOUT_FILENO);
            ::dup2(outFd, STDERR_FILENO);
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

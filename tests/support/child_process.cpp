#include "support/child_process.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace lumenmeta::test {

namespace {

// Runs `child` in a forked process and returns its exit code (-1 when it did
// not exit normally).
int Fork(const std::function<void()>& child) {
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        child();
        _exit(127);  // no exit handlers of the parent's test program
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool DropRoot() {
    if (geteuid() != 0) return true;  // not root: permission bits already bind
    const passwd* nobody = getpwnam("nobody");
    return nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0 && geteuid() != 0;
}

}  // namespace

#ifndef LUMENMETA_TOOL_PATH
#define LUMENMETA_TOOL_PATH ""
#endif
const char* ToolPath() { return LUMENMETA_TOOL_PATH; }

ToolRun RunTool(const std::vector<std::string>& arguments, const std::string& stdoutPath,
                long maxFileBytes) {
    TempDir capture;
    const std::string outPath = stdoutPath.empty() ? capture.File("out") : stdoutPath;
    const std::string errPath = capture.File("err");
    std::vector<std::string> words = {ToolPath()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int exitCode = Fork([&] {
        if (maxFileBytes > 0) {
            const rlim_t bytes = static_cast<rlim_t>(maxFileBytes);
            const rlimit limit{bytes, bytes};
            if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0) return;
        }
        alarm(120);  // a tool that hangs is stopped (SIGALRM) and the test fails
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in >= 0 && out >= 0 && err >= 0 && dup2(in, 0) == 0 && dup2(out, 1) == 1 &&
            dup2(err, 2) == 2) {
            execv(argv[0], argv.data());
        }
    });
    const std::vector<unsigned char> out = stdoutPath.empty() ? ReadBytes(outPath)
                                                              : std::vector<unsigned char>();
    const std::vector<unsigned char> err = ReadBytes(errPath);
    return {exitCode, {out.begin(), out.end()}, {err.begin(), err.end()}};
}

std::string RunInChild(const std::function<std::string()>& work) {
    // The child's text goes to memory shared with the parent, zero-filled.
    constexpr size_t kRoom = 1 << 16;
    void* shared = mmap(nullptr, kRoom, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) throw std::runtime_error("mmap failed");
    const int exitCode = Fork([&] {
        std::string report;
        try {
            report = work();
        } catch (...) {
            report = "child failed: exception";
        }
        report.copy(static_cast<char*>(shared), kRoom - 1);
        _exit(0);
    });
    const std::string report = exitCode == 0 ? static_cast<char*>(shared) : "child failed: died";
    munmap(shared, kRoom);
    return report;
}

std::string RunUnprivileged(const std::function<std::string()>& work) {
    return RunInChild([&] { return DropRoot() ? work() : "child failed: cannot drop root"; });
}

}  // namespace lumenmeta::test

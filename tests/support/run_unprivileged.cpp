#include "support/run_unprivileged.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace lumenmeta::test {

namespace {

bool DropRoot() {
    if (geteuid() != 0) return true;  // not root: permission bits already bind
    const passwd* nobody = getpwnam("nobody");
    if (!nobody) return false;
    return setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0 && geteuid() != 0;
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written <= 0) return;
        done += static_cast<size_t>(written);
    }
}

}  // namespace

std::string RunUnprivileged(const std::function<std::string()>& work) {
    int channel[2];
    if (pipe(channel) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        close(channel[0]);
        std::string report;
        try {
            report = DropRoot() ? work() : "child failed: cannot drop root";
        } catch (...) {
            report = "child failed: exception";
        }
        WriteAll(channel[1], report);
        close(channel[1]);
        _exit(0);  // no exit handlers of the parent's test program
    }
    close(channel[1]);
    std::string report;
    char chunk[256];
    for (;;) {
        const ssize_t got = read(channel[0], chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        report.append(chunk, static_cast<size_t>(got));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed: died";
    return report;
}

void OpenToEveryone(const std::string& path) {
    if (chmod(path.c_str(), 0755) != 0) throw std::runtime_error("chmod failed: " + path);
}

}  // namespace lumenmeta::test

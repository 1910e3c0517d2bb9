#include "support/child_process.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace lumenmeta::test {

namespace {

// Forks: the child runs `child` and exits, the parent runs `parent` and then
// returns the child's exit code (-1 when it did not exit normally).
int Fork(const std::function<void()>& child, const std::function<void()>& parent) {
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        child();
        _exit(127);  // no exit handlers of the parent's test program
    }
    parent();
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool DropRoot() {
    if (geteuid() != 0) return true;  // not root: permission bits already bind
    const passwd* nobody = getpwnam("nobody");
    return nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0 && geteuid() != 0;
}

}  // namespace

const char* ToolPath() {
#ifdef LUMENMETA_TOOL_PATH
    return LUMENMETA_TOOL_PATH;
#else
    return "";
#endif
}

ToolRun RunTool(const std::vector<std::string>& arguments) {
    TempDir capture;
    const std::string outPath = capture.File("out"), errPath = capture.File("err");
    std::vector<std::string> words = {ToolPath()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ToolRun run;
    run.exitCode = Fork([&] {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in >= 0 && out >= 0 && err >= 0 && dup2(in, 0) == 0 && dup2(out, 1) == 1 &&
            dup2(err, 2) == 2) {
            execv(argv[0], argv.data());
        }
    }, [] {});
    const std::vector<unsigned char> out = ReadBytes(outPath), err = ReadBytes(errPath);
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

std::string RunUnprivileged(const std::function<std::string()>& work) {
    int channel[2];
    if (pipe(channel) != 0) throw std::runtime_error("pipe failed");
    std::string report;
    const int exitCode = Fork(
        [&] {
            close(channel[0]);
            try {
                report = DropRoot() ? work() : "child failed: cannot drop root";
            } catch (...) {
                report = "child failed: exception";
            }
            for (size_t done = 0; done < report.size();) {
                const ssize_t written = write(channel[1], &report[done], report.size() - done);
                if (written <= 0) break;
                done += static_cast<size_t>(written);
            }
            _exit(0);
        },
        [&] {
            close(channel[1]);
            char chunk[256];
            for (ssize_t got; (got = read(channel[0], chunk, sizeof chunk)) != 0;) {
                if (got > 0) report.append(chunk, static_cast<size_t>(got));
                else if (errno != EINTR) break;
            }
            close(channel[0]);
        });
    return exitCode == 0 ? report : "child failed: died";
}

}  // namespace lumenmeta::test

#include "support/run_tool.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumenmeta::test {

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
    const pid_t child = fork();
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return run;
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    const std::vector<unsigned char> out = ReadBytes(outPath), err = ReadBytes(errPath);
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

}  // namespace lumenmeta::test

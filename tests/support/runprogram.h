// Runs a program built by the project and collects what it said.
#pragma once

#include "tempdir.h"

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

struct ProgramResult {
    int exitCode = -1; // -1 when it did not exit normally
    std::string out, err;
};

// Runs `program` with `args` (no shell in between) and waits for it, two minutes at most.
inline ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args)
{
    TempDir capture;
    const std::string outPath = capture.file("out"), errPath = capture.file("err");
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(127);
        ::alarm(120); // a program that hangs is killed, and fails its test, rather than hang the suite
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ProgramResult result;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return result;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    const auto out = readFile(outPath), err = readFile(errPath);
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    return result;
}

} // namespace testsupport

#include "tests/cli/cli_runner.h"

#include "tests/support/test_files.h"

#include <cerrno>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sundra::test {

namespace {

// Starts the program with its outputs in outPath and errPath; a limit of -1
// leaves the file size unlimited.
pid_t startCli(std::vector<std::string>& words, const std::string& outPath,
               const std::string& errPath, long long limitBytes) {
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    if (limitBytes < 0) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error("cannot start " + words[0]);
        return pid;
    }
    // posix_spawn cannot set a resource limit: the child sets it before exec,
    // with async-signal-safe calls only.
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0 || err < 0)
        throw std::runtime_error("cannot create the output files of " + words[0]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        if (::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    if (pid < 0)
        throw std::runtime_error("cannot start " + words[0]);
    return pid;
}

CliResult runWithLimit(const std::vector<std::string>& args, long long limitBytes) {
    TempDir dir;
    const std::string outPath = dir.file("stdout");
    const std::string errPath = dir.file("stderr");

    std::vector<std::string> words{SUNDRA_CLI};
    words.insert(words.end(), args.begin(), args.end());
    const pid_t pid = startCli(words, outPath, errPath, limitBytes);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("cannot wait for " + words[0]);
    }
    CliResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const Bytes out = readBytes(outPath);
    const Bytes err = readBytes(errPath);
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    return result;
}

} // namespace

CliResult runCli(const std::vector<std::string>& args) {
    return runWithLimit(args, -1);
}

CliResult runCliWithFileSizeLimit(const std::vector<std::string>& args, long long limitBytes) {
    return runWithLimit(args, limitBytes);
}

} // namespace sundra::test

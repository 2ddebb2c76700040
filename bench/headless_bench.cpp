// Figures of printbench-run over TCP on this machine:
//  - the time from the process start (the fork that starts it) to the first byte it puts on a
//    connection this program accepts, 21 starts, median and worst;
//  - the CPU time (user + system) per pass of a 10,000-pass "Full Cut" run at Delay 0 against
//    printbench-printer on a TCP port, three runs, least and most; the printer's own CPU beside it.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double cpuMs(const rusage& u)
{
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// The runner's summary and messages are not the figures: they go nowhere.
pid_t spawn(const std::vector<std::string>& args, posix_spawn_file_actions_t* actions = nullptr)
{
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], actions ? actions : &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    return failed ? -1 : pid;
}

// A listening socket on 127.0.0.1 and the port the system gave it.
int listenAnywhere(int& port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 4) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        return -1;
    port = ntohs(a.sin_port);
    return s;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Process start to first byte: the runner asks the status of a printer this program plays.
bool firstByte(const std::string& runner)
{
    int port = 0;
    const int listener = listenAnywhere(port);
    if (listener < 0) return false;
    std::vector<double> ms;
    for (int i = 0; i < 21; ++i) {
        const double start = nowMs();
        const pid_t pid = spawn({runner, "--port", "tcp://127.0.0.1:" + std::to_string(port), "--quiet", "status"});
        if (pid < 0) return false;
        pollfd p{listener, POLLIN, 0};
        const int client = ::poll(&p, 1, 5000) == 1 ? ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC) : -1;
        unsigned char byte = 0;
        pollfd c{client, POLLIN, 0};
        if (client < 0 || ::poll(&c, 1, 5000) != 1 || ::recv(client, &byte, 1, 0) != 1) {
            std::printf("no byte arrived from printbench-run\n");
            ::kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return false;
        }
        ms.push_back(nowMs() - start);
        const unsigned char status = 0x12;  // the answer it waits for
        ::send(client, &status, 1, MSG_NOSIGNAL);
        waitpid(pid, nullptr, 0);
        ::close(client);
    }
    ::close(listener);
    std::printf("process start to the first byte on the connection: median %.1f ms, worst %.1f ms over %zu starts "
                "(target: under 100 ms)\n",
                median(ms), *std::max_element(ms.begin(), ms.end()), ms.size());
    return true;
}

// CPU per pass of a long run against the virtual printer.
bool cpuPerPass(const std::string& runner, const std::string& printerProgram)
{
    constexpr int kPasses = 10000;
    const std::filesystem::path receipts = std::filesystem::temp_directory_path() /
                                           ("printbench-bench-" + std::to_string(getpid()));
    std::vector<double> runMs, printerMs;
    for (int round = 0; round < 3; ++round) {
        int toPrinter[2], fromPrinter[2];
        if (pipe2(toPrinter, O_CLOEXEC) != 0 || pipe2(fromPrinter, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toPrinter[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromPrinter[1], STDOUT_FILENO);
        const pid_t printer = spawn({printerProgram, "--tcp", "0", "--log", "/dev/null", "--out", receipts.string()},
                                    &actions);
        posix_spawn_file_actions_destroy(&actions);
        ::close(toPrinter[0]);
        ::close(fromPrinter[1]);
        // Its first line names the port: "# KR-420 (512 dots) on tcp 127.0.0.1:PORT, ..."
        std::string first;
        char ch = 0;
        while (first.find('\n') == std::string::npos && ::read(fromPrinter[0], &ch, 1) == 1) first += ch;
        const std::size_t at = first.find("127.0.0.1:");
        if (printer < 0 || at == std::string::npos) {
            std::printf("printbench-printer did not start: %s\n", first.c_str());
            return false;
        }
        const std::string port = first.substr(at + 10, first.find(',', at) - at - 10);

        const pid_t run = spawn({runner, "--port", "tcp://127.0.0.1:" + port, "--repeat", std::to_string(kPasses),
                                 "--delay", "0", "--quiet", "sequence", "Full Cut"});
        int status = 0;
        rusage usage{};
        if (run < 0 || wait4(run, &status, 0, &usage) != run || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("the run did not complete (status %d)\n", status);
            return false;
        }
        runMs.push_back(cpuMs(usage));
        // Its standard output is drained while it serves, then it is asked to quit.
        ::fcntl(fromPrinter[0], F_SETFL, O_NONBLOCK);
        char drain[4096];
        while (::read(fromPrinter[0], drain, sizeof drain) > 0) {}
        const char quit[] = "quit\n";
        [[maybe_unused]] const ssize_t w = ::write(toPrinter[1], quit, sizeof quit - 1);
        ::close(toPrinter[1]);
        rusage printerUsage{};
        wait4(printer, &status, 0, &printerUsage);
        ::close(fromPrinter[0]);
        printerMs.push_back(cpuMs(printerUsage));
    }
    std::error_code ec;
    std::filesystem::remove_all(receipts, ec);
    std::sort(runMs.begin(), runMs.end());
    std::sort(printerMs.begin(), printerMs.end());
    std::printf("CPU per pass of %d passes of \"Full Cut\" at Delay 0 over TCP: printbench-run %.4f to %.4f ms "
                "(target: under 0.2 ms); printbench-printer %.4f to %.4f ms\n",
                kPasses, runMs.front() / kPasses, runMs.back() / kPasses, printerMs.front() / kPasses,
                printerMs.back() / kPasses);
    return true;
}

}  // namespace

int main()
{
    const bool ok = firstByte(PRINTBENCH_RUN_PROGRAM) & cpuPerPass(PRINTBENCH_RUN_PROGRAM, PRINTBENCH_PRINTER_PROGRAM);
    return ok ? 0 : 1;
}

// Start-up figures of PrintBench: the time from process start (the fork that starts it) to
// the main window's first paint, and the peak resident memory at that moment. Starts the
// window ten times, each in a fresh process, and prints the median and the worst.

#include "app/Application.h"

#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Reports once, at the first paint of the watched window, then ends the program.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(long long startNs) : m_startNs(startNs) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_done && event->type() == QEvent::Paint) {
            m_done = true;
            const double ms = static_cast<double>(monotonicNs() - m_startNs) / 1e6;
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("%.2f %ld\n", ms, usage.ru_maxrss);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    long long m_startNs;
    bool m_done = false;
};

int child(int& argc, char* argv[], long long startNs)
{
    printbench::app::Application app(argc, argv);
    FirstPaint watch(startNs);
    app.window().installEventFilter(&watch);
    return app.exec();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--child") {
        int childArgc = 1;
        return child(childArgc, argv, std::atoll(argv[2]));
    }

    constexpr int runs = 10;
    std::vector<double> ms, mb;
    for (int i = 0; i < runs; ++i) {
        int pipeFd[2];
        if (pipe(pipeFd) != 0) return 1;
        const long long start = monotonicNs();
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(pipeFd[1], STDOUT_FILENO);
            close(pipeFd[0]);
            const std::string startText = std::to_string(start);
            execl("/proc/self/exe", argv[0], "--child", startText.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFd[1]);
        char buf[128] = {};
        const ssize_t n = read(pipeFd[0], buf, sizeof buf - 1);
        close(pipeFd[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        double t = 0;
        long rssKb = 0;
        if (n <= 0 || std::sscanf(buf, "%lf %ld", &t, &rssKb) != 2) {
            std::fprintf(stderr, "start-up run %d gave no figures\n", i + 1);
            return 1;
        }
        ms.push_back(t);
        mb.push_back(static_cast<double>(rssKb) / 1024.0);
    }
    std::printf("PrintBench start-up over %d runs (%s platform)\n", runs,
                std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "default");
    std::printf("  process start to main window shown: median %.1f ms, worst %.1f ms (target <= 300 ms)\n", median(ms),
                *std::max_element(ms.begin(), ms.end()));
    std::printf("  peak resident memory after start-up: median %.1f MB, worst %.1f MB (target <= 80 MB)\n", median(mb),
                *std::max_element(mb.begin(), mb.end()));
    return 0;
}

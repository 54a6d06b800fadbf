#include "CleanStop.h"

#include "ExportSupport.h"
#include "Stop.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace tarvik::cli {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> g_signal{0};
int g_pipe[2] = {-1, -1};

// Only what is safe in a signal handler: the number goes down a pipe to the watcher thread.
extern "C" void onSignal(int signo)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void say(const char* text)
{
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, std::strlen(text));
}

struct State
{
    std::thread watcher;
    struct sigaction previous[std::size(kSignals)] {};
};

State* g_state = nullptr;

void watch(int graceSeconds)
{
    unsigned char byte = 0;
    for (;;) {
        const ssize_t n = ::read(g_pipe[0], &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || byte == 0)
            return; // the subcommand ended
        break;
    }
    const int signo = byte;
    g_signal.store(signo);
    db::requestStop();
    engine::requestExportStop();

    // The work now ends at its next database step or write. If it does not in time (or a second
    // signal comes), the process ends here, with nothing half-written left behind.
    pollfd wait{g_pipe[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(graceSeconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        const int ready = ::poll(&wait, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0) {
            if (::read(g_pipe[0], &byte, 1) == 1 && byte == 0)
                return; // the subcommand ended cleanly
            break; // a second signal
        }
        if (ready == 0)
            break;
    }
    engine::removeUnfinishedExports();
    say("tarvik-reports: stopped at once by a signal; unfinished files were removed, the database "
        "rolls the command back.\n");
    ::_exit(CleanStop::exitStatus(signo));
}

} // namespace

CleanStop::CleanStop(int graceSeconds)
{
    if (g_state)
        throw std::logic_error("only one CleanStop at a time");
    if (::pipe2(g_pipe, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("cannot prepare for signals: ") + std::strerror(errno));
    g_signal.store(0);
    g_state = new State;
    g_state->watcher = std::thread(watch, graceSeconds);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &g_state->previous[i]);
}

CleanStop::~CleanStop()
{
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_state->previous[i], nullptr);
    const unsigned char done = 0;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &done, 1);
    g_state->watcher.join();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    delete g_state;
    g_state = nullptr;
}

int CleanStop::signal() { return g_signal.load(); }

QString CleanStop::signalName(int signo)
{
    switch (signo) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signo);
    }
}

void guardStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace tarvik::cli

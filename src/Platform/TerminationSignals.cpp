#include "Platform/TerminationSignals.h"

#include "Model/FileIO.h"
#include "Model/Log.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {

constexpr int kWatched[] = {SIGTERM, SIGHUP, SIGINT};

// Written by the handler, read on the event loop. -1 while no object watches.
int g_writeEnd = -1;
int g_readEnd = -1;
struct sigaction g_previous[std::size(kWatched)];

void onSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe means a number is already waiting to be read: the event loop learns of the ending anyway.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &number, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_writeEnd >= 0) {
        vsp::logFailure(QStringLiteral("signal handling"), QStringLiteral("the signals are watched already"));
        return;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        vsp::logFailure(QStringLiteral("signal handling"), vsp::systemError(errno));
        return;
    }
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    m_notifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        while (::read(g_readEnd, &number, 1) == 1) {
            Q_EMIT received(number);
        }
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Once only: a user who presses Ctrl+C again, or a session that sends its SIGTERM twice, is not
    // kept waiting behind a disk that does not answer.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (size_t i = 0; i < std::size(kWatched); ++i) {
        ::sigaction(kWatched[i], nullptr, &g_previous[i]);
        // A signal ignored from the start (SIGHUP under nohup) stays ignored.
        if (g_previous[i].sa_handler != SIG_IGN) {
            ::sigaction(kWatched[i], &action, nullptr);
        }
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier) {
        return;
    }
    for (size_t i = 0; i < std::size(kWatched); ++i) {
        ::sigaction(kWatched[i], &g_previous[i], nullptr);
    }
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_writeEnd);
    ::close(g_readEnd);
    g_writeEnd = -1;
    g_readEnd = -1;
}

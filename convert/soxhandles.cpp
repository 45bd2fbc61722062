#include "convert/soxhandles.h"

#include "convert/logging.h"

#include <QDebug>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace sox {

namespace {

std::once_flag startOnce;
bool started = false;
bool stopped = false;
thread_local QString lastReported;
std::atomic_int holds{0};

// libsox's levels: 1 failure, 2 warning, 3 report, 4 and up debug.
void routeMessage(unsigned level, const char *filename, const char *fmt, va_list ap)
{
    if (level > 2)
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, fmt, ap);
    lastReported = QString::fromLocal8Bit(text);
    qCDebug(lcSox).noquote() << "libsox" << (level == 1 ? "error" : "warning") << filename
                             << lastReported;
}

} // namespace

void EffectFreer::operator()(sox_effect_t *e) const
{
    // sox_add_effect copies the record into the chain; the original is ours.
    std::free(e);
}

void LoneEffectFreer::operator()(sox_effect_t *e) const
{
    e->handler.kill(e);
    std::free(e->priv);
    std::free(e->obuf);
    std::free(e);
}

bool ensureStarted()
{
    std::call_once(startOnce, [] {
        sox_get_globals()->output_message_handler = routeMessage;
        sox_get_globals()->verbosity = 2;
        started = sox_init() == SOX_SUCCESS;
    });
    return started && !stopped;
}

bool loadAllFormats()
{
    static std::once_flag loadOnce;
    if (!ensureStarted())
        return false;
    std::call_once(loadOnce, [] { sox_format_init(); });
    return true;
}

Hold::Hold()
{
    ++holds;
}

Hold::~Hold()
{
    --holds;
}

void shutdown()
{
    if (started && !stopped) {
        stopped = true;
        if (holds.load() > 0) {
            qCDebug(lcSox, "libsox left running: a thread is still inside it");
            return;
        }
        sox_quit();
    }
}

QString lastMessage()
{
    return lastReported;
}

void clearLastMessage()
{
    lastReported.clear();
}

} // namespace sox

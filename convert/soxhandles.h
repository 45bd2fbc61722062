// Owners for libsox's C handles, and libsox's process-wide start and stop.
#pragma once

#include <QString>

#include <memory>
#include <sox.h>

namespace sox {

struct FormatCloser
{
    void operator()(sox_format_t *f) const { sox_close(f); }
};
struct ChainDeleter
{
    void operator()(sox_effects_chain_t *c) const { sox_delete_effects_chain(c); }
};
struct EffectFreer
{
    void operator()(sox_effect_t *e) const;
};

// An effect that no chain ever took: sox_delete_effect frees the state of
// each flow that a chain set up, and such a record has none, so its options'
// state would stay behind.
struct LoneEffectFreer
{
    void operator()(sox_effect_t *e) const;
};

using Format = std::unique_ptr<sox_format_t, FormatCloser>;
using Chain = std::unique_ptr<sox_effects_chain_t, ChainDeleter>;
using Effect = std::unique_ptr<sox_effect_t, EffectFreer>;
using LoneEffect = std::unique_ptr<sox_effect_t, LoneEffectFreer>;

// Starts libsox once for the whole process and routes its messages into the Qt
// log. libsox cannot be stopped and started again: Debian's build then calls
// into unloaded format plugins. Safe to call from any thread, any number of
// times. Returns false when libsox refused to start.
bool ensureStarted();

// Starts libsox and loads every format plugin now, once. libsox otherwise
// loads a plugin at the first lookup of its format, and a lookup on another
// thread meanwhile finds no handler; a program that opens files on several
// threads calls this before it starts them. Returns ensureStarted()'s answer.
bool loadAllFormats();

// Stops libsox if it was started. Call once, when no conversion can run any more.
void shutdown();

// Keeps libsox loaded for a thread that may still be inside it when the
// program ends, such as one whose open a sound device blocks: while one
// lives, shutdown() leaves libsox to the process's exit, since stopping it
// would unload the code that thread returns into.
class Hold
{
public:
    Hold();
    ~Hold();
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;
};

// Holds libsox for the lifetime of a program's main().
class Session
{
public:
    Session() { ensureStarted(); }
    ~Session() { shutdown(); }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
};

// The last failure or warning libsox reported on the calling thread; cleared
// by clearLastMessage(). libsox has no handle to report on when an open fails,
// so this is where its reason is found.
QString lastMessage();
void clearLastMessage();

} // namespace sox

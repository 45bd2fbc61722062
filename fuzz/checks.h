// The properties that the fuzz targets hold the parser, the naming rule and the
// RIFF walker to. Shared by the libFuzzer targets and by the test that replays
// their corpora in every ordinary build.
#pragma once

#include <QByteArray>
#include <QString>

namespace fuzzcheck {

// Parses `bytes` as a convert command (UTF-8). When it parses: every input's
// output name ends in ".wav", lies directly in the output folder, and the
// command survives compose and parse unchanged. Returns what broke, or an empty
// string.
QString checkCommand(const QByteArray &bytes);

// Walks `bytes` as a RIFF/WAVE file. A data chunk found must lie wholly inside
// the bytes, agree with a second, independent walk, and copy out in full.
// Returns what broke, or an empty string.
QString checkRiff(const QByteArray &bytes);

// Drops Qt's log: the parser writes a debug line per command, which would
// drown the fuzzer's own output.
void silenceQtLog();

} // namespace fuzzcheck

// What sabletide-cli tells the person at the terminal (or the log a script
// keeps) while a batch runs: a line per input and a count at the end.
#pragma once

#include "convert/convertparams.h"
#include "convert/sound.h"

#include <QString>

class Reporter
{
public:
    enum class Style {
        Terminal, // a line per input, redrawn with its progress while it converts
        Plain,    // a line per result; no carriage returns or escape codes
        Quiet,    // errors only
    };

    Reporter(Style style, int inputCount);

    // Events come in input order: started, any number of progress, then one
    // of converted or failed; or skipped or failed alone for an input that
    // never started.
    void started(int index, const QString &input);
    void progress(int index, quint64 done, quint64 total);
    void converted(int index, const QString &input, const QString &output, qint64 bytes);
    void failed(int index, const QString &input, const QString &reason);
    void skipped(int index, const QString &input, const QString &reason);
    void clipped(int index, const QString &input, quint64 samples);
    void warning(int index, const QString &input, const QString &text);
    // The gain that guarding or normalizing chose for an input, and the
    // levels measured.
    void gain(int index, const QString &input, const SoundOptions &sound,
              const sound::Level &level);

    // The closing count; `signal` is the number of the signal that
    // interrupted the run, or 0.
    void finish(int signal);

    // Takes a progress line off the screen so that another message can be
    // written; it comes back with the next progress.
    void clearLine();

    int convertedCount() const { return converted_; }
    int failedCount() const { return failed_; }
    int skippedCount() const { return skipped_; }

    static Style styleFor(bool quiet);

private:
    void drawProgress();
    QString counter(int index) const;

    Style style;
    int inputCount;
    int converted_ = 0;
    int failed_ = 0;
    int skipped_ = 0;
    int current = -1;
    QString currentInput;
    int percent = -1;
    bool lineShown = false;
};

// Writes text to standard error at once, in the local encoding.
void writeError(const QString &text);

// What became of one input's conversion, carried as it is from the chain to
// whoever reports it (the batch, a worker's answer line, the window, the
// command-line tool): converted, refused by the plan, failed with the
// program's words and the detail behind them, or stopped.
#pragma once

#include <QString>

struct Outcome
{
    enum class Kind { Converted, Refused, Failed, Cancelled };

    Kind kind = Kind::Converted;
    QString summary; // what went wrong, in the program's words
    QString detail;  // what lies behind it (the system's or libsox's words); may be empty

    static Outcome failed(const QString &summary, const QString &detail = QString());
    static Outcome refused(const QString &reason);
    static Outcome cancelled();

    bool isConverted() const { return kind == Kind::Converted; }
    bool isCancelled() const { return kind == Kind::Cancelled; }

    // The reason on one line, as people and logs read it: the summary, then
    // ": " and the detail where there is one; "cancelled" for a stop, empty
    // for a conversion.
    QString text() const;
};

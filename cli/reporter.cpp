#include "cli/reporter.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QString clearToEnd = QStringLiteral("\r\033[K");

int terminalWidth()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// A line longer than the terminal wraps, and "\r" then redraws only its last
// row; the middle of the path goes first.
QString elide(const QString &text, int width)
{
    if (text.size() <= width || width < 8)
        return text;
    const int keep = width - 3;
    return text.left(keep / 2) + QStringLiteral("...") + text.right(keep - keep / 2);
}

} // namespace

void writeError(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

Reporter::Style Reporter::styleFor(bool quiet)
{
    if (quiet)
        return Style::Quiet;
    // A terminal that calls itself dumb cannot take the redrawn progress line.
    const bool dumb = qgetenv("TERM") == "dumb";
    return ::isatty(STDERR_FILENO) && !dumb ? Style::Terminal : Style::Plain;
}

Reporter::Reporter(Style style, int inputCount) : style(style), inputCount(inputCount) {}

QString Reporter::counter(int index) const
{
    return QStringLiteral("[%1/%2] ").arg(index + 1).arg(inputCount);
}

void Reporter::started(int index, const QString &input)
{
    current = index;
    currentInput = input;
    percent = -1;
    if (style == Style::Terminal)
        drawProgress();
}

void Reporter::progress(int index, quint64 done, quint64 total)
{
    if (style != Style::Terminal || index != current || total == 0)
        return;
    const int now = int(qMin<quint64>(100, done * 100 / total));
    if (now == percent && lineShown)
        return;
    percent = now;
    drawProgress();
}

void Reporter::drawProgress()
{
    QString tail = percent < 0 ? QStringLiteral("  ...") : QStringLiteral("  %1%").arg(percent);
    const QString head = counter(current);
    const int room = terminalWidth() - 1 - head.size() - tail.size();
    writeError(clearToEnd + head + elide(currentInput, room) + tail);
    lineShown = true;
}

void Reporter::clearLine()
{
    if (lineShown) {
        writeError(clearToEnd);
        lineShown = false;
    }
}

void Reporter::converted(int index, const QString &input, const QString &output, qint64 bytes)
{
    ++converted_;
    if (style == Style::Quiet)
        return;
    clearLine();
    writeError(
        QStringLiteral("%1%2 -> %3 (%4 bytes)\n").arg(counter(index), input, output).arg(bytes));
}

void Reporter::failed(int /*index*/, const QString &input, const QString &reason)
{
    ++failed_;
    clearLine();
    writeError(QStringLiteral("%1: %2\n").arg(input, reason));
}

void Reporter::skipped(int index, const QString &input, const QString &reason)
{
    ++skipped_;
    if (style == Style::Quiet)
        return;
    clearLine();
    writeError(QStringLiteral("%1%2: skipped, %3\n").arg(counter(index), input, reason));
}

void Reporter::clipped(int /*index*/, const QString &input, quint64 samples)
{
    if (style == Style::Quiet)
        return;
    clearLine();
    writeError(QStringLiteral("%1: warning: %2 sample%3 clipped; lower the volume of the input\n")
                   .arg(input)
                   .arg(samples)
                   .arg(QLatin1String(samples == 1 ? "" : "s")));
    if (style == Style::Terminal)
        drawProgress();
}

void Reporter::gain(int /*index*/, const QString &input, const SoundOptions &options,
                    const sound::Level &level)
{
    const double db = level.gainDb;
    if (style == Style::Quiet || (!options.aims() && db == options.gainDb))
        return;
    clearLine();
    const auto number = [](double value) { return QString::number(value, 'f', 2); };
    const QString together =
        level.shared ? QStringLiteral(", the one gain of all the inputs") : QString();
    if (options.normalize && !std::isfinite(level.peakDbfs))
        writeError(QStringLiteral("%1: silent; gain 0 dB\n").arg(input));
    else if (options.normalize)
        writeError(QStringLiteral("%1: gain %2 dB brings the peak from %3 to %4 dBFS%5\n")
                       .arg(input, number(db), number(level.peakDbfs), number(level.peakAfter()),
                            together));
    else if (options.loudness && !std::isfinite(level.loudnessLufs))
        writeError(QStringLiteral("%1: too short (under 0.4 s) or too quiet to measure its "
                                  "loudness; gain 0 dB\n")
                       .arg(input));
    else if (options.loudness)
        writeError(QStringLiteral("%1: gain %2 dB brings the loudness from %3 to %4 LUFS, the "
                                  "true peak from %5 to %6 dBTP%7%8\n")
                       .arg(input, number(db), number(level.loudnessLufs),
                            number(level.loudnessAfter()), number(level.truePeakDbtp),
                            number(level.truePeakAfter()), together,
                            level.ceilingHeld
                                ? QStringLiteral("; held short of %1 LUFS by the %2 dBTP ceiling")
                                      .arg(options.loudnessLufs)
                                      .arg(sound::truePeakCeilingDbtp)
                                : QString()));
    else
        writeError(QStringLiteral("%1: gain lowered by %2 dB, to %3 dB, so that nothing clips\n")
                       .arg(input, QString::number(options.gainDb - db, 'f', 2),
                            QString::number(db, 'f', 2)));
    if (style == Style::Terminal)
        drawProgress();
}

// Shown also to --quiet: what it says is close to a failure.
void Reporter::warning(int /*index*/, const QString &input, const QString &text)
{
    clearLine();
    writeError(QStringLiteral("%1: warning: %2\n").arg(input, text));
    if (style == Style::Terminal)
        drawProgress();
}

void Reporter::finish(int signal)
{
    clearLine();
    if (signal != 0) {
        writeError(QStringLiteral("interrupted by %1: %2 of %3 input%4 converted\n")
                       .arg(QLatin1String(signal == SIGINT ? "Ctrl-C" : "a signal"))
                       .arg(converted_)
                       .arg(inputCount)
                       .arg(QLatin1String(inputCount == 1 ? "" : "s")));
        return;
    }
    if (style == Style::Quiet)
        return;
    QString line = QStringLiteral("%1 input%2: %3 converted")
                       .arg(inputCount)
                       .arg(QLatin1String(inputCount == 1 ? "" : "s"))
                       .arg(converted_);
    if (skipped_ > 0)
        line += QStringLiteral(", %1 skipped").arg(skipped_);
    if (failed_ > 0)
        line += QStringLiteral(", %1 failed").arg(failed_);
    writeError(line + QLatin1Char('\n'));
}

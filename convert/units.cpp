#include "convert/units.h"

#include "convert/command.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>

namespace units {

namespace {

using command::isDigits;

constexpr quint64 maxBytes = 0xFFFFFFFFu;
constexpr quint64 nanosPerSecond = 1000000000u;
// Whole seconds beyond this could not be counted in 64-bit nanoseconds, and
// no size that fits in 32 bits needs them.
constexpr quint64 maxSeconds = 10000000000u;
constexpr int maxWholeDigits = 10;
constexpr int maxDecimals = 9;

// Made when it is needed, so that it comes in the language installed by then.
QString tooLarge()
{
    return QCoreApplication::translate("engine", "is larger than 4294967295 bytes, the most a WAV "
                                                 "file can hold");
}

struct Unit
{
    const char *name;
    quint64 factor;
};

const Unit sizeUnits[] = {
    {"", 1},
    {"b", 1},
    {"kb", 1000},
    {"mb", 1000000},
    {"gb", 1000000000},
    {"kib", 1024},
    {"mib", 1024 * 1024},
    {"gib", 1024 * 1024 * 1024},
};

// A decimal number: whole + fraction / 10^decimals, read exactly.
struct Decimal
{
    quint64 whole = 0;
    quint64 fraction = 0;
    int decimals = 0;
};

quint64 powerOfTen(int n)
{
    quint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// "0012.5400" -> 12, 54, 2. Leading zeros of the whole part and trailing zeros
// of the decimals carry nothing and are dropped before the limits apply.
bool parseDecimal(const QString &text, Decimal *d, QString *error)
{
    const int dot = text.indexOf(QLatin1Char('.'));
    QString whole = dot < 0 ? text : text.left(dot);
    QString decimals = dot < 0 ? QString() : text.mid(dot + 1);
    if (!isDigits(whole) || (dot >= 0 && !isDigits(decimals))) {
        *error = QCoreApplication::translate("engine", "is not a number");
        return false;
    }
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    while (decimals.endsWith(QLatin1Char('0')))
        decimals.chop(1);
    if (whole.size() > maxWholeDigits) {
        *error = QCoreApplication::translate("engine", "is far too large");
        return false;
    }
    if (decimals.size() > maxDecimals) {
        *error =
            QCoreApplication::translate("engine", "has more than %1 decimals").arg(maxDecimals);
        return false;
    }
    d->whole = whole.toULongLong();
    d->fraction = decimals.isEmpty() ? 0 : decimals.toULongLong();
    d->decimals = decimals.size();
    return true;
}

} // namespace

QString sizeInUnit(const QString &number, int unit)
{
    static const char *const names[sizeUnitCount] = {"", "KiB", "MiB"};
    const char *name = names[unit >= 0 && unit < sizeUnitCount ? unit : 0];
    return *name ? number + QLatin1Char(' ') + QLatin1String(name) : number;
}

bool parseSize(const QString &input, quint32 *bytes, QString *error)
{
    const QString text = input.trimmed();
    if (text.isEmpty()) {
        *error = QCoreApplication::translate("engine", "is empty");
        return false;
    }
    int numberEnd = 0;
    while (numberEnd < text.size() &&
           (text.at(numberEnd).isDigit() || text.at(numberEnd) == QLatin1Char('.')))
        ++numberEnd;
    if (numberEnd == 0) {
        *error = QCoreApplication::translate("engine", "does not begin with a number");
        return false;
    }
    Decimal number;
    if (!parseDecimal(text.left(numberEnd), &number, error))
        return false;

    const QString unitText = text.mid(numberEnd).trimmed();
    const QString unit = unitText.toLower();
    const Unit *found = nullptr;
    for (const Unit &u : sizeUnits) {
        if (unit == QLatin1String(u.name))
            found = &u;
    }
    if (!found) {
        if (unit == QLatin1String("k") || unit == QLatin1String("m") || unit == QLatin1String("g"))
            *error = QCoreApplication::translate(
                         "engine", "\"%1\" is ambiguous: write %2B for powers of 1000 or %3iB "
                                   "for powers of 1024")
                         .arg(unitText,
                              unit == QLatin1String("k") ? QStringLiteral("k") : unitText.toUpper(),
                              unitText.toUpper());
        else
            *error = QCoreApplication::translate(
                         "engine", "has an unknown unit \"%1\" (use B, kB, MB, GB, KiB, MiB "
                                   "or GiB)")
                         .arg(unitText);
        return false;
    }

    // At most 10 whole digits times 2^30, and 9 decimals times 2^30: both
    // products stay below 2^64.
    const quint64 scale = powerOfTen(number.decimals);
    const quint64 fractionBytes = number.fraction * found->factor;
    const quint64 total = number.whole * found->factor + fractionBytes / scale;
    if (fractionBytes % scale != 0) {
        QString rest = QString::number(fractionBytes % scale)
                           .rightJustified(number.decimals, QLatin1Char('0'));
        while (rest.endsWith(QLatin1Char('0')))
            rest.chop(1);
        *error = QCoreApplication::translate("engine", "is not a whole number of bytes (%1.%2)")
                     .arg(total)
                     .arg(rest);
        return false;
    }
    if (total > maxBytes) {
        *error = tooLarge();
        return false;
    }
    if (total > 0 && total <= headerBytes) {
        *error = QCoreApplication::translate(
                     "engine", "leaves no room for samples after the %1-byte header (0 means "
                               "no cut)")
                     .arg(headerBytes);
        return false;
    }
    *bytes = static_cast<quint32>(total);
    return true;
}

bool parseDuration(const QString &input, quint64 *nanoseconds, QString *error)
{
    const QString text = input.trimmed();
    if (text.isEmpty()) {
        *error = QCoreApplication::translate("engine", "is empty");
        return false;
    }
    const QStringList fields = text.split(QLatin1Char(':'));
    if (fields.size() > 3) {
        *error = QCoreApplication::translate(
            "engine", "has too many \":\" (write seconds, mm:ss.fff or h:mm:ss.fff)");
        return false;
    }
    Decimal seconds;
    if (!parseDecimal(fields.last(), &seconds, error)) {
        if (fields.size() > 1)
            *error = QCoreApplication::translate(
                "engine", "is not a time (write seconds, mm:ss.fff or h:mm:ss.fff)");
        return false;
    }
    quint64 wholeSeconds = seconds.whole;
    if (fields.size() > 1) {
        quint64 minutesAndHours = 0;
        for (int i = 0; i + 1 < fields.size(); ++i) {
            const QString &field = fields.at(i);
            if (!isDigits(field) || field.size() > maxWholeDigits) {
                *error = QCoreApplication::translate(
                    "engine", "is not a time (write seconds, mm:ss.fff or h:mm:ss.fff)");
                return false;
            }
            const quint64 value = field.toULongLong();
            // Only the first field may run past 59: "90:00" is ninety minutes.
            if (i > 0 && value >= 60) {
                *error = QCoreApplication::translate("engine", "has %1 minutes; write at most 59")
                             .arg(value);
                return false;
            }
            minutesAndHours = minutesAndHours * 60 + value;
        }
        if (seconds.whole >= 60) {
            *error = QCoreApplication::translate("engine",
                                                 "has %1 seconds after a \":\"; write at most 59")
                         .arg(seconds.whole);
            return false;
        }
        wholeSeconds += minutesAndHours * 60;
    }
    if (wholeSeconds > maxSeconds) {
        *error = QCoreApplication::translate("engine", "is far too long");
        return false;
    }
    *nanoseconds = wholeSeconds * nanosPerSecond +
                   seconds.fraction * powerOfTen(maxDecimals - seconds.decimals);
    return true;
}

bool sizeForDuration(quint64 nanoseconds, quint32 rate, quint32 channels, quint32 bits,
                     quint32 *bytes, QString *error)
{
    const quint64 bytesPerFrame = quint64(channels) * ((bits + 7) / 8);
    if (bytesPerFrame == 0 || rate == 0) {
        *error = QCoreApplication::translate(
                     "engine", "cannot be turned into a size at %1 Hz, %2 channels, %3 bits")
                     .arg(rate)
                     .arg(channels)
                     .arg(bits);
        return false;
    }
    // Below 2^64 nanoseconds times a rate below 2^32: fits in 128 bits.
    const unsigned __int128 frames =
        static_cast<unsigned __int128>(nanoseconds) * rate / nanosPerSecond;
    if (frames == 0) {
        *error = QCoreApplication::translate("engine", "is shorter than one sample frame at %1 Hz")
                     .arg(rate);
        return false;
    }
    const unsigned __int128 total = frames * bytesPerFrame + headerBytes;
    if (total > maxBytes) {
        *error = tooLarge();
        return false;
    }
    *bytes = static_cast<quint32>(total);
    return true;
}

bool parseRate(const QString &text, quint32 *hertz, QString *error)
{
    QString t = text;
    const bool kilo = t.endsWith(QLatin1Char('k'), Qt::CaseInsensitive);
    if (kilo)
        t.chop(1);
    const int dot = t.indexOf(QLatin1Char('.'));
    const QString whole = dot < 0 ? t : t.left(dot);
    QString fraction = dot < 0 ? QString() : t.mid(dot + 1);
    const auto fail = [&] {
        *error =
            QCoreApplication::translate("engine", "not a sample rate in Hz (44100) or kHz (44.1k)");
        return false;
    };
    // Decimals only with "k", and no more than make whole hertz.
    if (!isDigits(whole) || (!fraction.isEmpty() && !isDigits(fraction)) ||
        (dot >= 0 && (!kilo || fraction.isEmpty())))
        return fail();
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (fraction.size() > 3)
        return fail();
    bool ok = false;
    quint64 v = whole.toULongLong(&ok, 10);
    if (!ok || whole.size() > 10)
        return fail();
    if (kilo)
        v = v * 1000 + fraction.leftJustified(3, QLatin1Char('0')).toULongLong();
    if (v < 1 || v > 0xFFFFFFFFu)
        return fail();
    *hertz = quint32(v);
    return true;
}

bool parseCount(const QString &text, quint32 min, quint32 max, quint32 *value, QString *error,
                Spaces spaces)
{
    const QString t = spaces == Spaces::Trimmed ? text.trimmed() : text;
    bool ok = false;
    const quint64 v = t.toULongLong(&ok, 10);
    if (!isDigits(t) || !ok || v < min || v > max) {
        *error = QCoreApplication::translate("engine", "must be a whole number from %1 to %2")
                     .arg(min)
                     .arg(max);
        return false;
    }
    *value = static_cast<quint32>(v);
    return true;
}

quint64 frameAt(quint64 nanoseconds, quint32 rate)
{
    const unsigned __int128 scaled = (unsigned __int128)nanoseconds * rate + 500000000u;
    return quint64(scaled / 1000000000u);
}

quint64 framesIn(quint32 milliseconds, quint32 rate)
{
    return (quint64(milliseconds) * rate + 500) / 1000;
}

FrameLayout frameLayout(quint64 size, quint32 channels, quint32 bits)
{
    FrameLayout layout;
    const quint64 frame = frameBytes(channels, bits);
    if (size > maxFileBytes)
        size = 0;
    layout.frames = frame > 0 && size > headerBytes ? (size - headerBytes) / frame : 0;
    const quint64 below = headerBytes + layout.frames * frame;
    const quint64 above = below + frame;
    layout.whole = frame == 0 || size == 0 || (size >= headerBytes && below == size);
    if (!layout.whole && layout.frames > 0)
        layout.lower = below;
    if (!layout.whole && above <= maxFileBytes)
        layout.upper = above;
    return layout;
}

bool rateEffectNeeded(double inRate, double outRate)
{
    return std::fabs(inRate - outRate) > 1.0;
}

quint64 framesAfterRate(quint64 inFrames, double inRate, double outRate)
{
    if (!rateEffectNeeded(inRate, outRate) || inRate <= 0 || outRate <= 0)
        return inFrames;
    // libsox's rate effect ends its output at input / factor, rounded half up,
    // with the factor and the quotient in double precision.
    const double factor = inRate / outRate;
    return quint64(double(inFrames) / factor + .5);
}

quint64 outputBytes(quint64 outFrames, quint32 channels, quint32 bits, quint32 fileSize)
{
    const quint64 whole = headerBytes + outFrames * frameBytes(channels, bits);
    return fileSize > headerBytes ? qMin<quint64>(whole, fileSize) : whole;
}

} // namespace units

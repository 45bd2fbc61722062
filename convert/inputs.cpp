#include "convert/inputs.h"

#include "convert/soxhandles.h"
#include "convert/soxinput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPair>
#include <QSet>
#include <QVector>

#include <algorithm>
#include <dirent.h>
#include <iterator>
#include <mutex>
#include <sox.h>
#include <sys/stat.h>

namespace inputs {

namespace {

// libsox's formats that hold bare samples: a file of theirs says nothing of
// its rate, channels or encoding, so it cannot convert without being told,
// and nothing marks it as audio but its name.
const char *const headerless[] = {
    "raw", "s1",   "s8",    "sb",  "s2",   "s16", "sw",   "s3",   "s24",  "s4",
    "s32", "sl",   "u1",    "u8",  "ub",   "sou", "fssd", "u2",   "u16",  "uw",
    "u3",  "u24",  "u4",    "u32", "f4",   "f32", "f8",   "f64",  "al",   "ul",
    "la",  "lu",   "vox",   "ima", "cvsd", "cvs", "cvu",  "dvms", "vms",  "sln",
    "gsm", "gsrt", "lpc10", "lpc", "cdda", "cdr", "dat",  "sox",  "null",
};

// Every name that libsox opens a file by, from its own list of formats (the
// plugins included), less devices, stand-ins and headerless formats.
QStringList readable()
{
    QStringList known;
    // Every format plugin, so that their names are in the list below.
    if (!sox::loadAllFormats())
        return known;
    for (const sox_format_tab_t *entry = sox_get_format_fns(); entry && entry->fn; ++entry) {
        const sox_format_handler_t *handler = entry->fn();
        if (!handler || !handler->startread || !handler->names ||
            (handler->flags & (SOX_FILE_DEVICE | SOX_FILE_PHONY)) != 0)
            continue;
        for (const char *const *name = handler->names; *name; ++name) {
            const QString ext = QString::fromLatin1(*name).toLower();
            // Some handlers list a MIME type among their names.
            if (!ext.contains(QLatin1Char('/')) &&
                std::find(std::begin(headerless), std::end(headerless), ext) ==
                    std::end(headerless) &&
                !known.contains(ext))
                known.append(ext);
        }
    }
    known.sort();
    return known;
}

const QStringList &readableExtensions()
{
    static std::once_flag once;
    static QStringList known;
    std::call_once(once, [] { known = readable(); });
    return known;
}

QString notInLocale()
{
    return QCoreApplication::translate("engine", "file name is not valid in this locale");
}

constexpr ushort standInBase = 0xDC00;

// The second half of a character beyond the BMP may lie in the same range; a
// stand-in is a low surrogate with no high one before it.
bool isStandIn(const QString &text, int i)
{
    const ushort c = text.at(i).unicode();
    return c >= standInBase && c <= standInBase + 0xFF &&
           (i == 0 || !text.at(i - 1).isHighSurrogate());
}

QString hexByte(uchar byte)
{
    return QStringLiteral("\\x") +
           QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

enum class Escape {
    StandIns,   // bytes the locale cannot decode
    Controls,   // and control characters
    Everything, // and backslashes
};

QString shown(const QString &text, Escape escape)
{
    QString result;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isStandIn(text, i)) {
            result += hexByte(uchar(c.unicode() - standInBase));
            continue;
        }
        const bool control = c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
        if (escape == Escape::StandIns || (!control && c != QLatin1Char('\\'))) {
            result += c;
        } else if (c == QLatin1Char('\\')) {
            result += escape == Escape::Everything ? QStringLiteral("\\\\") : QString(c);
        } else if (c == QLatin1Char('\n')) {
            result += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\t')) {
            result += QStringLiteral("\\t");
        } else if (c == QLatin1Char('\r')) {
            result += QStringLiteral("\\r");
        } else {
            for (const char byte : QFile::encodeName(QString(c)))
                result += hexByte(uchar(byte));
        }
    }
    return result;
}

// A name as it can be shown: what the locale decodes, and every byte that it
// cannot as \xNN, so that the user can tell which file is meant.
QString readable(const QByteArray &raw)
{
    return shownArgument(decodeArgument(raw));
}

QString commaProblem(const QString &path)
{
    return QCoreApplication::translate(
               "engine", "%1: a path that holds a \",\" cannot be passed in a convert command; "
                         "rename it")
        .arg(path);
}

} // namespace

bool isAudioFileName(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || fileName.startsWith(QLatin1Char('.')))
        return false;
    return readableExtensions().contains(fileName.mid(dot + 1).toLower());
}

QStringList audioExtensions()
{
    return readableExtensions();
}

bool isAudioFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (isAudioFileName(name))
        return true;
    if (name.startsWith(QLatin1Char('.')))
        return false;
    // Names libsox does not know (.oga, .wave, none at all) still count when
    // libsox recognises the content as a format of its own.
    // Opened as an input is, so that a pipe swapped in cannot hold the scan.
    Outcome why;
    const sox::Format probe = soxinput::open(path, &why);
    return probe && probe->filetype &&
           readableExtensions().contains(QString::fromLatin1(probe->filetype).toLower());
}

QString argumentProblem(const char *rawArg)
{
    const QByteArray raw(rawArg);
    return QFile::encodeName(QFile::decodeName(raw)) == raw ? QString() : notInLocale();
}

QString decodeArgument(const QByteArray &raw)
{
    const auto decodes = [](const QByteArray &piece) {
        return QFile::encodeName(QFile::decodeName(piece)) == piece;
    };
    if (decodes(raw))
        return QFile::decodeName(raw);
    QString decoded;
    for (int i = 0; i < raw.size();) {
        // A character takes at most four bytes in the encodings Linux uses.
        int length = 1;
        while (length <= 4 && i + length <= raw.size() && !decodes(raw.mid(i, length)))
            ++length;
        if (length <= 4 && i + length <= raw.size()) {
            decoded += QFile::decodeName(raw.mid(i, length));
        } else {
            length = 1;
            decoded += QChar(ushort(standInBase + uchar(raw.at(i))));
        }
        i += length;
    }
    return decoded;
}

QByteArray argumentBytes(const QString &decoded)
{
    QByteArray raw;
    int from = 0;
    for (int i = 0; i <= decoded.size(); ++i) {
        if (i < decoded.size() && !isStandIn(decoded, i))
            continue;
        raw += QFile::encodeName(decoded.mid(from, i - from));
        if (i < decoded.size())
            raw += char(decoded.at(i).unicode() - standInBase);
        from = i + 1;
    }
    return raw;
}

QString decodedProblem(const QString &decoded)
{
    for (int i = 0; i < decoded.size(); ++i) {
        if (isStandIn(decoded, i))
            return notInLocale();
    }
    return QString();
}

QString shownArgument(const QString &decoded)
{
    return shown(decoded, Escape::StandIns);
}

QString shownName(const QByteArray &bytes)
{
    return shown(decodeArgument(bytes), Escape::Everything);
}

QString withoutControls(const QString &text)
{
    return shown(text, Escape::Controls);
}

namespace {

struct FolderWalk
{
    const Walk &walk;
    QStringList *files;
    QStringList *subfolders;
    QList<Refused> *unnamable;
    QString *error;
    // Folders entered through links, by identity, so that a loop ends.
    QSet<QPair<dev_t, ino_t>> seen;
};

// Adds the audio files of `folder` (shown and opened as `path`) and, where
// the walk says so, of its subfolders; `relative` is `folder` under the
// folder given.
bool walkFolder(FolderWalk &w, const QString &path, const QString &relative)
{
    // Raw names: a name that the locale cannot decode comes out of QDir
    // with a stand-in character, as a path that names another file or none.
    const QByteArray folderBytes = QFile::encodeName(path);
    DIR *dir = ::opendir(folderBytes.constData());
    if (!dir) {
        *w.error = QCoreApplication::translate("engine", "%1: cannot read the folder").arg(path);
        return false;
    }
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    QStringList names;
    // Subfolders by name, with their identity.
    QVector<QPair<QString, QPair<dev_t, ino_t>>> folders;
    QList<Refused> unnamableHere;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        // Without QDir::Hidden, QDir left these out too; "." and ".." with them.
        if (raw.startsWith('.'))
            continue;
        const QString name = QFile::decodeName(raw);
        const QByteArray rawPath = folderBytes + '/' + raw;
        struct stat st;
        if (w.walk.recursive && ::lstat(rawPath.constData(), &st) == 0 &&
            (S_ISDIR(st.st_mode) ||
             (w.walk.followLinks && S_ISLNK(st.st_mode) && ::stat(rawPath.constData(), &st) == 0 &&
              S_ISDIR(st.st_mode)))) {
            if (QFile::encodeName(name) != raw) {
                unnamableHere.append(
                    {prefix + readable(raw), notInLocale(), QFile::encodeName(prefix) + raw});
                continue;
            }
            folders.append({name, qMakePair(st.st_dev, st.st_ino)});
            continue;
        }
        if (QFile::encodeName(name) == raw) {
            names.append(name);
            continue;
        }
        if (isAudioFileName(name) && ::stat(rawPath.constData(), &st) == 0 && S_ISREG(st.st_mode))
            unnamableHere.append(
                {prefix + readable(raw), notInLocale(), QFile::encodeName(prefix) + raw});
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    std::sort(folders.begin(), folders.end());
    std::sort(unnamableHere.begin(), unnamableHere.end(),
              [](const Refused &a, const Refused &b) { return a.path < b.path; });
    *w.unnamable += unnamableHere;
    // Links to files count, links to folders and broken links do not, nor
    // devices, pipes and sockets. An unreadable audio file stays in, so
    // that its failure is reported rather than passed over in silence.
    for (const QString &name : qAsConst(names)) {
        const QString file = prefix + name;
        if (!QFileInfo(file).isFile() || !isAudioFile(file))
            continue;
        if (file.contains(QLatin1Char(','))) {
            *w.error = commaProblem(file);
            return false;
        }
        w.files->append(file);
        w.subfolders->append(relative);
    }
    for (const auto &folder : qAsConst(folders)) {
        // A folder met again (through a link, or a bind mount) is not walked twice.
        if (w.seen.contains(folder.second))
            continue;
        w.seen.insert(folder.second);
        const QString &name = folder.first;
        if (!walkFolder(w, prefix + name,
                        relative.isEmpty() ? name : relative + QLatin1Char('/') + name))
            return false;
    }
    return true;
}

} // namespace

bool expand(const QStringList &paths, QStringList *files, QString *error, QList<Refused> *refused)
{
    QStringList subfolders;
    return expandTree(paths, Walk(), files, &subfolders, error, refused);
}

bool expandTree(const QStringList &paths, const Walk &walk, QStringList *files,
                QStringList *subfolders, QString *error, QList<Refused> *refused)
{
    QStringList result;
    QStringList within;
    QList<Refused> unnamable;
    FolderWalk w{walk, &result, &within, &unnamable, error, {}};
    for (const QString &path : paths) {
        if (path.contains(QLatin1Char(','))) {
            *error = commaProblem(path);
            return false;
        }
        const QFileInfo info(path);
        if (!info.isDir()) {
            result.append(path);
            within.append(QString());
            continue;
        }
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            w.seen.insert(qMakePair(st.st_dev, st.st_ino));
        if (!walkFolder(w, path, QString()))
            return false;
    }
    if (!unnamable.isEmpty() && !refused) {
        *error = QStringLiteral("%1: %2").arg(unnamable.first().path, unnamable.first().reason);
        return false;
    }
    *files = result;
    *subfolders = within;
    if (refused)
        *refused = unnamable;
    return true;
}

bool isSubfolder(const QString &relative)
{
    return !relative.isEmpty() && !QDir::isAbsolutePath(relative) &&
           QDir::cleanPath(relative) == relative && relative != QLatin1String(".") &&
           relative != QLatin1String("..") && !relative.startsWith(QLatin1String("../"));
}

} // namespace inputs

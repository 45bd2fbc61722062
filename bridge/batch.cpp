#include "bridge/batch.h"

#include "convert/batch.h"
#include "convert/command.h"

#include <QCollator>
#include <QFileInfo>
#include <QMetaMethod>
#include <QSet>
#include <QtQml>

#include <algorithm>
#include <numeric>

namespace {

// Connects the bridge's signal to the batch's slot where the bridge has it:
// a stand-in may leave some out.
void follow(QObject *bridge, const char *signal, QObject *batch, const char *slot)
{
    const QByteArray normalized = QMetaObject::normalizedSignature(signal + 1);
    if (bridge->metaObject()->indexOfSignal(normalized.constData()) >= 0)
        QObject::connect(bridge, signal, batch, slot);
}

QString nameKey(const QString &name)
{
    return name.toCaseFolded();
}

} // namespace

Batch::Batch(QObject *parent) : QAbstractListModel(parent)
{
    // The time left moves on between the workers' news too.
    ticks.setInterval(1000);
    connect(&ticks, &QTimer::timeout, this, &Batch::progressChanged);
    countTicks.setSingleShot(true);
    countTicks.setInterval(50);
    connect(&countTicks, &QTimer::timeout, this, &Batch::countsDue);
}

int Batch::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

QVariant Batch::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return QVariant();
    const Row &r = rows.at(index.row());
    switch (role) {
    case PathRole:
        return r.path;
    case NameRole:
        return r.name;
    case FolderRole:
        return r.folder;
    case RepeatedRole:
        return names.value(nameKey(r.name)) > 1;
    case StatusRole:
        return r.status;
    case ReasonRole:
        return r.reason;
    case OutputRole:
        return r.output;
    case ProgressRole:
        return r.progress;
    case ClippedRole:
        return r.clipped;
    case WarningRole:
        return r.warning;
    case PlanRole:
        return r.plan;
    case StartRole:
        return r.start;
    case GotRole:
        return r.got;
    }
    return QVariant();
}

QHash<int, QByteArray> Batch::roleNames() const
{
    return {{PathRole, "path"},       {NameRole, "name"},
            {FolderRole, "folder"},   {RepeatedRole, "repeated"},
            {StatusRole, "status"},   {ReasonRole, "reason"},
            {OutputRole, "output"},   {ProgressRole, "progress"},
            {ClippedRole, "clipped"}, {WarningRole, "warning"},
            {PlanRole, "plan"},       {StartRole, "start"},
            {GotRole, "got"}};
}

void Batch::setBridge(QObject *bridge)
{
    if (bridgeObject == bridge)
        return;
    if (bridgeObject)
        bridgeObject->disconnect(this);
    bridgeObject = bridge;
    if (bridge) {
        follow(bridge, SIGNAL(sgWait(bool)), this, SLOT(onWait(bool)));
        follow(bridge, SIGNAL(sgResampReady(QString)), this, SLOT(onReady(QString)));
        follow(bridge, SIGNAL(sgResampFailed(QString, QString)), this,
               SLOT(onFailed(QString, QString)));
        follow(bridge, SIGNAL(sgResampSkipped(QString, QString)), this,
               SLOT(onSkipped(QString, QString)));
        follow(bridge, SIGNAL(sgResampStarted(QString)), this, SLOT(onStarted(QString)));
        follow(bridge, SIGNAL(sgResampProgress(QString, qreal, qreal)), this,
               SLOT(onProgress(QString, qreal, qreal)));
        follow(bridge, SIGNAL(sgProgress(QString, double)), this,
               SLOT(onFraction(QString, double)));
        follow(bridge, SIGNAL(sgResampClipped(QString, qreal)), this,
               SLOT(onClipped(QString, qreal)));
        follow(bridge, SIGNAL(sgResampWarning(QString, QString)), this,
               SLOT(onWarning(QString, QString)));
        follow(bridge, SIGNAL(sgResampGain(QString, double, bool)), this,
               SLOT(onGain(QString, double, bool)));
    }
    Q_EMIT bridgeChanged();
}

QStringList Batch::paths() const
{
    QStringList list;
    list.reserve(rows.size());
    for (const Row &r : rows)
        list << r.path;
    return list;
}

QStringList Batch::starts() const
{
    QStringList list;
    list.reserve(rows.size());
    for (const Row &r : rows)
        list << r.start;
    return list;
}

void Batch::setPlanCurrent(bool current)
{
    if (plansCurrent == current)
        return;
    plansCurrent = current;
    Q_EMIT plansChanged();
}

int Batch::willConvert() const
{
    if (!plansCurrent)
        return rows.size();
    int n = 0;
    for (const Row &r : rows)
        n += r.plan.toMap().value(QStringLiteral("status")).toString() == QLatin1String("convert")
                 ? 1
                 : 0;
    return n;
}

int Batch::failedRows() const
{
    return statuses.value(QStringLiteral("failed"));
}

double Batch::progress() const
{
    return total > 0 ? qMin(1.0, (doneCount() + fractionSum) / total) : 0;
}

int Batch::secondsLeft() const
{
    if (!open || stopAsked || !clock.isValid())
        return -1;
    return secondsLeftAfter(double(clock.elapsed()), progress());
}

int Batch::secondsLeftAfter(double elapsedMs, double done) const
{
    if (!(done >= 0.02) || done >= 1 || elapsedMs < 2000)
        return -1;
    return qMax(1, qRound(elapsedMs * (1 - done) / done / 1000));
}

QVariantMap Batch::listOutcomes() const
{
    return {{QStringLiteral("converted"), statuses.value(QStringLiteral("converted"))},
            {QStringLiteral("skipped"), statuses.value(QStringLiteral("skipped"))},
            {QStringLiteral("failed"), statuses.value(QStringLiteral("failed"))},
            {QStringLiteral("stopped"), statuses.value(QStringLiteral("stopped"))}};
}

int Batch::addPaths(const QStringList &given, const QStringList &subfolders)
{
    if (open)
        return 0;
    QVector<Row> added;
    QSet<QString> seen;
    for (int i = 0; i < given.size(); ++i) {
        const QString &path = given.at(i);
        if (path.isEmpty() || rowOf.contains(path) || seen.contains(path))
            continue;
        seen.insert(path);
        const QFileInfo info(path);
        Row r;
        r.path = path;
        r.subfolder = subfolders.value(i);
        r.name = info.fileName();
        r.folder = path.left(path.size() - r.name.size());
        r.serial = ++serials;
        added << r;
    }
    if (added.isEmpty())
        return 0;
    const int first = rows.size();
    beginInsertRows(QModelIndex(), first, first + added.size() - 1);
    for (const Row &r : qAsConst(added)) {
        rowOf.insert(r.path, rows.size());
        names[nameKey(r.name)] += 1;
        statuses[r.status] += 1;
        rows << r;
    }
    endInsertRows();
    // A name that now repeats shows its folder on the rows that had it first.
    if (first > 0)
        Q_EMIT dataChanged(index(0), index(first - 1), {RepeatedRole});
    state.clear();
    Q_EMIT countChanged();
    Q_EMIT pathsChanged();
    Q_EMIT runChanged();
    Q_EMIT plansChanged();
    sortRows();
    return added.size();
}

void Batch::removeAt(int row)
{
    if (open || row < 0 || row >= rows.size())
        return;
    const bool hadStart = !rows.at(row).start.isEmpty();
    beginRemoveRows(QModelIndex(), row, row);
    const QString key = nameKey(rows.at(row).name);
    if (--names[key] == 0)
        names.remove(key);
    statuses[rows.at(row).status] -= 1;
    rows.remove(row);
    endRemoveRows();
    reindex();
    if (!rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(rows.size() - 1), {RepeatedRole});
    state.clear();
    Q_EMIT countChanged();
    Q_EMIT pathsChanged();
    Q_EMIT runChanged();
    Q_EMIT plansChanged();
    Q_EMIT outcomesChanged();
    if (hadStart)
        Q_EMIT startsChanged();
}

void Batch::clear()
{
    if (open || rows.isEmpty())
        return;
    beginResetModel();
    rows.clear();
    rowOf.clear();
    names.clear();
    statuses.clear();
    endResetModel();
    state.clear();
    Q_EMIT countChanged();
    Q_EMIT pathsChanged();
    Q_EMIT runChanged();
    Q_EMIT plansChanged();
    Q_EMIT outcomesChanged();
    Q_EMIT startsChanged();
}

int Batch::indexOf(const QString &path) const
{
    return rowOf.value(path, -1);
}

QString Batch::pathAt(int row) const
{
    return row >= 0 && row < rows.size() ? rows.at(row).path : QString();
}

QVariantMap Batch::rowAt(int row) const
{
    QVariantMap map;
    if (row < 0 || row >= rows.size())
        return map;
    const QHash<int, QByteArray> roles = roleNames();
    for (auto it = roles.constBegin(); it != roles.constEnd(); ++it)
        map.insert(QString::fromLatin1(it.value()), data(index(row), it.key()));
    return map;
}

bool Batch::setStart(int row, const QString &start)
{
    if (open || row < 0 || row >= rows.size())
        return false;
    const QString text = start.trimmed();
    if (rows.at(row).start == text)
        return true;
    RequestOptions read;
    QString why;
    if (!text.isEmpty() && !readRequestOptions({{QStringLiteral("start"), text}}, &read, &why))
        return false;
    rows[row].start = text;
    changed(row, {StartRole});
    Q_EMIT startsChanged();
    return true;
}

QStringList Batch::startsOf(const QStringList &inputs) const
{
    QStringList list;
    list.reserve(inputs.size());
    for (const QString &path : inputs) {
        const int i = rowOf.value(path, -1);
        list << (i >= 0 ? rows.at(i).start : QString());
    }
    return list;
}

QStringList Batch::subfoldersOf(const QStringList &inputs) const
{
    QStringList list;
    bool any = false;
    for (const QString &path : inputs) {
        const int i = rowOf.value(path, -1);
        list << (i >= 0 ? rows.at(i).subfolder : QString());
        any = any || !list.constLast().isEmpty();
    }
    return any ? list : QStringList();
}

bool Batch::hasOwnStarts() const
{
    for (const Row &r : rows) {
        if (!r.start.isEmpty())
            return true;
    }
    return false;
}

void Batch::clearStarts()
{
    if (open)
        return;
    bool any = false;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).start.isEmpty())
            continue;
        rows[i].start.clear();
        changed(i, {StartRole});
        any = true;
    }
    if (any)
        Q_EMIT startsChanged();
}

void Batch::setPlans(const QVariantList &planned)
{
    QVector<QVariant> byRow(rows.size());
    for (const QVariant &v : planned) {
        const int i = rowOf.value(v.toMap().value(QStringLiteral("input")).toString(), -1);
        if (i >= 0)
            byRow[i] = v;
    }
    for (int i = 0; i < rows.size(); ++i)
        rows[i].plan = byRow.at(i);
    changedAll({PlanRole});
    Q_EMIT plansChanged();
    if (sortBy == QLatin1String("length"))
        sortRows();
}

QStringList Batch::failedPaths() const
{
    QStringList list;
    for (const Row &r : rows) {
        if (r.status == QLatin1String("failed"))
            list << r.path;
    }
    return list;
}

int Batch::firstFailed() const
{
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).status == QLatin1String("failed"))
            return i;
    }
    return -1;
}

bool Batch::start(const QString &command, const QVariantMap &options, const QStringList &inputs,
                  const QVariantMap &runWith)
{
    if (open || !bridgeObject)
        return false;
    for (const QString &path : inputs) {
        const int i = rowOf.value(path, -1);
        if (i < 0)
            continue;
        Row &r = rows[i];
        setStatus(r, QStringLiteral("waiting"));
        r.reason.clear();
        r.output.clear();
        r.progress = -1;
        r.clipped = 0;
        r.warning.clear();
        r.got.clear();
        r.measured = false;
    }
    changedAll(
        {StatusRole, ReasonRole, OutputRole, ProgressRole, ClippedRole, WarningRole, GotRole});
    tally = Tally();
    total = inputs.size();
    fractions.clear();
    fractionSum = 0;
    stopAsked = false;
    refusal.clear();
    format = runWith;
    state = QStringLiteral("converting");
    open = true;
    clock.start();
    ticks.start();
    Q_EMIT outcomesChanged();
    Q_EMIT runChanged();
    Q_EMIT progressChanged();
    QMetaObject::invokeMethod(bridgeObject, "doConvertOptions", Q_ARG(QString, command),
                              Q_ARG(QVariantMap, options));
    return true;
}

bool Batch::stop()
{
    if (!open || stopAsked || !bridgeObject)
        return false;
    stopAsked = true;
    Q_EMIT runChanged();
    Q_EMIT progressChanged();
    QMetaObject::invokeMethod(bridgeObject, "doCancel");
    return true;
}

int Batch::openRow(const QString &fileName) const
{
    if (!open)
        return -1;
    const int i = rowOf.value(fileName, -1);
    if (i < 0)
        return -1;
    const QString &s = rows.at(i).status;
    return s == QLatin1String("waiting") || s == QLatin1String("converting") ? i : -1;
}

void Batch::changed(int row, const QVector<int> &roles)
{
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, roles);
    Q_EMIT rowDataChanged(row);
}

void Batch::changedAll(const QVector<int> &roles)
{
    if (rows.isEmpty())
        return;
    Q_EMIT dataChanged(index(0), index(rows.size() - 1), roles);
    Q_EMIT rowDataChanged(-1);
}

void Batch::setStatus(Row &row, const QString &status)
{
    statuses[row.status] -= 1;
    row.status = status;
    statuses[status] += 1;
}

void Batch::reindex()
{
    rowOf.clear();
    rowOf.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        rowOf.insert(rows.at(i).path, i);
}

void Batch::setSortKey(const QString &key)
{
    if (key == sortBy)
        return;
    sortBy = key;
    Q_EMIT sortKeyChanged();
    sortRows();
}

void Batch::sortRows()
{
    if (open || rows.size() < 2)
        return;
    // The length of the sound, -1 while the plan does not say.
    const auto length = [](const Row &r) {
        const QVariantMap facts = r.plan.toMap().value(QStringLiteral("facts")).toMap();
        return facts.value(QStringLiteral("opened")).toBool() &&
                       facts.value(QStringLiteral("frames")).toDouble() > 0
                   ? facts.value(QStringLiteral("seconds")).toDouble()
                   : -1.0;
    };
    // The C locale's collator compares codes, numbers digit by digit.
    const QLocale locale =
        QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    QVector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<double> lengths;
    if (sortBy == QLatin1String("length")) {
        for (const Row &r : qAsConst(rows))
            lengths.push_back(length(r));
    }
    const auto before = [&](int a, int b) {
        const Row &x = rows.at(a);
        const Row &y = rows.at(b);
        if (sortBy == QLatin1String("name")) {
            const int c = collator.compare(x.name, y.name);
            if (c != 0)
                return c < 0;
            const int f = collator.compare(x.folder, y.folder);
            if (f != 0)
                return f < 0;
        } else if (sortBy == QLatin1String("length")) {
            const double lx = lengths[size_t(a)];
            const double ly = lengths[size_t(b)];
            if (lx != ly)
                return ly < 0 || (lx >= 0 && lx < ly);
        }
        return x.serial < y.serial;
    };
    std::stable_sort(order.begin(), order.end(), before);
    bool moved = false;
    for (int i = 0; i < order.size() && !moved; ++i)
        moved = order.at(i) != i;
    if (!moved)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QVector<Row> sorted;
    sorted.reserve(rows.size());
    QVector<int> newRow(rows.size());
    for (int i = 0; i < order.size(); ++i) {
        sorted << rows.at(order.at(i));
        newRow[order.at(i)] = i;
    }
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moves;
    for (const QModelIndex &i : persistent)
        moves << index(newRow.at(i.row()));
    changePersistentIndexList(persistent, moves);
    rows = sorted;
    reindex();
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    Q_EMIT pathsChanged();
    Q_EMIT startsChanged();
    Q_EMIT rowDataChanged(-1);
    Q_EMIT reordered();
}

void Batch::setFraction(int row, double fraction)
{
    fractionSum -= fractions.value(row, 0);
    if (fraction < 0)
        fractions.remove(row);
    else
        fractions.insert(row, fraction);
    fractionSum += qMax(0.0, fraction);
    tellCounts(false);
}

void Batch::tellCounts(bool outcomes)
{
    tellOutcomes |= outcomes;
    // While files end by the hundred a second, the window hears the counts
    // some twenty times a second: what it draws of them could not change
    // faster, and each telling runs every binding that reads them.
    if (open) {
        if (!countTicks.isActive())
            countTicks.start();
        return;
    }
    countsDue();
}

void Batch::countsDue()
{
    countTicks.stop();
    Q_EMIT progressChanged();
    if (tellOutcomes)
        Q_EMIT outcomesChanged();
    tellOutcomes = false;
}

void Batch::onWait(bool wait)
{
    if (!wait && open)
        finish();
}

void Batch::onReady(const QString &fileName)
{
    const int i = openRow(fileName);
    if (i < 0)
        return;
    Row &r = rows[i];
    r.output = command::outputPath(
        r.path, command::treeFolder(format.value(QStringLiteral("folder")).toString(), r.subfolder),
        format.value(QStringLiteral("suffix")).toString());
    // What the file on disk holds now, not what was asked for.
    const QFileInfo written(r.output);
    r.got = {{QStringLiteral("rate"), format.value(QStringLiteral("rate"))},
             {QStringLiteral("channels"), format.value(QStringLiteral("channels"))},
             {QStringLiteral("bits"), format.value(QStringLiteral("bits"))},
             {QStringLiteral("bytes"), written.exists() ? double(written.size()) : -1.0}};
    if (r.measured) {
        r.got.insert(QStringLiteral("gainDb"), r.gainDb);
        r.got.insert(QStringLiteral("ceilingHeld"), r.ceilingHeld);
    }
    endRow(i, QStringLiteral("converted"), QString());
}

void Batch::onFailed(const QString &fileName, const QString &reason)
{
    if (!open)
        return;
    // A request refused as a whole names no input.
    if (fileName.isEmpty()) {
        refusal = reason;
        Q_EMIT runChanged();
        return;
    }
    const int i = openRow(fileName);
    if (i < 0)
        return;
    // A failure after Stop is the stop's doing.
    if (stopAsked)
        endRow(i, QStringLiteral("stopped"), QString());
    else
        endRow(i, QStringLiteral("failed"), reason.trimmed());
}

void Batch::onSkipped(const QString &fileName, const QString &reason)
{
    const int i = openRow(fileName);
    if (i >= 0)
        endRow(i, QStringLiteral("skipped"), reason.trimmed());
}

void Batch::onStarted(const QString &fileName)
{
    const int i = openRow(fileName);
    if (i < 0)
        return;
    setStatus(rows[i], QStringLiteral("converting"));
    rows[i].progress = -1;
    changed(i, {StatusRole, ProgressRole});
    setFraction(i, 0);
    Q_EMIT rowStarted(i);
}

void Batch::onProgress(const QString &fileName, qreal done, qreal all)
{
    const int i = openRow(fileName);
    if (i < 0)
        return;
    const double fraction = all > 0 ? qMin(1.0, done / all) : -1;
    rows[i].progress = fraction;
    changed(i, {ProgressRole});
    setFraction(i, qMax(0.0, fraction));
}

void Batch::onFraction(const QString &fileName, double fraction)
{
    const int i = openRow(fileName);
    if (i < 0)
        return;
    const double f = qBound(0.0, fraction, 1.0);
    if (rows.at(i).progress == f)
        return;
    rows[i].progress = f;
    changed(i, {ProgressRole});
    setFraction(i, f);
}

void Batch::onClipped(const QString &fileName, qreal samples)
{
    const int i = openRow(fileName);
    if (i < 0)
        return;
    rows[i].clipped = samples;
    changed(i, {ClippedRole});
}

void Batch::onWarning(const QString &fileName, const QString &text)
{
    const int i = openRow(fileName);
    if (i < 0)
        return;
    rows[i].warning = text;
    changed(i, {WarningRole});
}

void Batch::onGain(const QString &fileName, double gainDb, bool ceilingHeld)
{
    const int i = openRow(fileName);
    if (i < 0)
        return;
    Row &r = rows[i];
    r.measured = true;
    r.gainDb = gainDb;
    r.ceilingHeld = ceilingHeld;
}

void Batch::endRow(int row, const QString &status, const QString &reason)
{
    Row &r = rows[row];
    setStatus(r, status);
    r.reason = reason;
    if (status == QLatin1String("converted"))
        ++tally.converted;
    else if (status == QLatin1String("skipped"))
        ++tally.skipped;
    else if (status == QLatin1String("stopped"))
        ++tally.stopped;
    else
        ++tally.failed;
    changed(row, {StatusRole, ReasonRole, OutputRole, GotRole});
    // After the count: the progress reads both.
    setFraction(row, -1);
    tellCounts(true);
}

void Batch::finish()
{
    for (int i = 0; i < rows.size(); ++i) {
        const QString &s = rows.at(i).status;
        if (s != QLatin1String("waiting") && s != QLatin1String("converting"))
            continue;
        if (stopAsked)
            endRow(i, QStringLiteral("stopped"), QString());
        else
            endRow(i, QStringLiteral("failed"),
                   !refusal.isEmpty() ? refusal : tr("no result came back for this file."));
    }
    open = false;
    ticks.stop();
    fractions.clear();
    fractionSum = 0;
    state = stopAsked ? QStringLiteral("stopped") : QStringLiteral("done");
    tellOutcomes = true;
    countsDue();
    Q_EMIT runChanged();
    Q_EMIT finished();
    sortRows();
}

void registerBatchType()
{
    qmlRegisterType<Batch>("Sabletide.Window", 1, 0, "Batch");
}

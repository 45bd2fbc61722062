// The window's batch: the inputs on its list, what the engine's plan says
// each will get, and the run that converts them. The view draws it and asks
// it; the bridge's news about a run lands here, found by path in one step,
// so that a list of thousands keeps up with its workers.
#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <QVector>

class Batch : public QAbstractListModel
{
    Q_OBJECT
    // The program's bridge (_data), or a stand-in with its signals and its
    // doConvertOptions and doCancel.
    Q_PROPERTY(QObject *bridge READ bridge WRITE setBridge NOTIFY bridgeChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // The inputs in the order of the list, and beside each its own start
    // ("" for the form's), as a request carries them.
    Q_PROPERTY(QStringList paths READ paths NOTIFY pathsChanged)
    Q_PROPERTY(QStringList starts READ starts NOTIFY startsChanged)
    // Whether the plans answer the form as it stands; while they do not, the
    // rows keep their last plans and every row counts as one to convert.
    Q_PROPERTY(bool planCurrent READ planCurrent WRITE setPlanCurrent NOTIFY plansChanged)
    // Rows that the plan converts (all rows while no plan is current).
    Q_PROPERTY(int willConvert READ willConvert NOTIFY plansChanged)
    // Rows whose last run failed.
    Q_PROPERTY(int failedRows READ failedRows NOTIFY outcomesChanged)
    // The list's order, which is also the order of the request: "" as the
    // files were added, "name" by name (case aside, numbers by value: "kick 2"
    // before "kick 10"), "length" shortest first, where lengths the plans do
    // not know yet come last. It holds as files are added and plans come; a
    // run keeps the order it began with, and the list sorts again at its end.
    // Each row keeps what is its own (start, plan, status).
    Q_PROPERTY(QString sortKey READ sortKey WRITE setSortKey NOTIFY sortKeyChanged)

    // The run. "" before any, "converting", "done" or "stopped".
    Q_PROPERTY(QString runState READ runState NOTIFY runChanged)
    // A request was sent and its end has not come back.
    Q_PROPERTY(bool running READ running NOTIFY runChanged)
    Q_PROPERTY(bool stopping READ stopping NOTIFY runChanged)
    Q_PROPERTY(int runTotal READ runTotal NOTIFY runChanged)
    Q_PROPERTY(int convertedCount READ convertedCount NOTIFY outcomesChanged)
    Q_PROPERTY(int skippedCount READ skippedCount NOTIFY outcomesChanged)
    Q_PROPERTY(int failedCount READ failedCount NOTIFY outcomesChanged)
    Q_PROPERTY(int stoppedCount READ stoppedCount NOTIFY outcomesChanged)
    Q_PROPERTY(int doneCount READ doneCount NOTIFY outcomesChanged)
    // Of the whole run, 0 to 1: finished rows and the part of those converting.
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    // Seconds the run may still take, from its pace so far; -1 while too
    // little is done to tell.
    Q_PROPERTY(int secondsLeft READ secondsLeft NOTIFY progressChanged)
    // Why the program refused the last request as a whole.
    Q_PROPERTY(QString requestError READ requestError NOTIFY runChanged)
    // Where the last run wrote, and the format it wrote: { rate, channels,
    // bits, size, folder, suffix }, as the run was started with.
    Q_PROPERTY(QVariantMap runFormat READ runFormat NOTIFY runChanged)
    // Of the whole list once a run ended: { converted, skipped, failed, stopped }.
    Q_PROPERTY(QVariantMap listOutcomes READ listOutcomes NOTIFY outcomesChanged)

public:
    enum Role {
        PathRole = Qt::UserRole + 1,
        NameRole,
        FolderRole,
        // Another row has the same name: the row shows its folder.
        RepeatedRole,
        // "", "waiting", "converting", "converted", "skipped", "failed", "stopped"
        StatusRole,
        ReasonRole,
        OutputRole,
        // 0 to 1 while converting; -1 while unknown.
        ProgressRole,
        ClippedRole,
        WarningRole,
        // The planner's row (Rules::sgPlanned's map), or null.
        PlanRole,
        // The row's own start, as the engine reads it; "" for the form's.
        StartRole,
        // What a converted row got: { rate, channels, bits, bytes }, the
        // bytes of the file as it stands, and where its own level chose a
        // gain, gainDb and ceilingHeld; empty before.
        GotRole,
    };
    Q_ENUM(Role)

    explicit Batch(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QObject *bridge() const { return bridgeObject; }
    void setBridge(QObject *bridge);
    int count() const { return rows.size(); }
    QStringList paths() const;
    QStringList starts() const;
    bool planCurrent() const { return plansCurrent; }
    void setPlanCurrent(bool current);
    int willConvert() const;
    int failedRows() const;
    QString sortKey() const { return sortBy; }
    void setSortKey(const QString &key);

    QString runState() const { return state; }
    bool running() const { return open; }
    bool stopping() const { return stopAsked; }
    int runTotal() const { return total; }
    int convertedCount() const { return tally.converted; }
    int skippedCount() const { return tally.skipped; }
    int failedCount() const { return tally.failed; }
    int stoppedCount() const { return tally.stopped; }
    int doneCount() const { return tally.converted + tally.skipped + tally.failed + tally.stopped; }
    double progress() const;
    int secondsLeft() const;
    QString requestError() const { return refusal; }
    QVariantMap runFormat() const { return format; }
    QVariantMap listOutcomes() const;

    // Adds the paths not listed yet, in order; returns how many. `subfolders`,
    // when given, holds each path's folder in the tree it was added from
    // (Rules::findInputs), where its output goes under the output folder.
    Q_INVOKABLE int addPaths(const QStringList &paths, const QStringList &subfolders = {});
    Q_INVOKABLE void removeAt(int row);
    Q_INVOKABLE void clear();
    Q_INVOKABLE int indexOf(const QString &path) const;
    Q_INVOKABLE QString pathAt(int row) const;
    // The row's roles by name, for a view that shows one row apart.
    Q_INVOKABLE QVariantMap rowAt(int row) const;
    // A row's own start, as the engine reads a start ("1.25", "0:01.5"), or
    // "" to follow the form's again. Refused, changing nothing, while a run
    // goes and for a start the engine cannot read.
    Q_INVOKABLE bool setStart(int row, const QString &start);
    // The own starts of `inputs`, in their order, as a request carries them.
    Q_INVOKABLE QStringList startsOf(const QStringList &inputs) const;
    // The folders in their trees of `inputs`, as a request carries them
    // ("subfolders"); empty when no row lies deeper than its folder.
    Q_INVOKABLE QStringList subfoldersOf(const QStringList &inputs) const;
    // Whether any row has a start of its own.
    Q_INVOKABLE bool hasOwnStarts() const;
    // Every row follows the form's start again.
    Q_INVOKABLE void clearStarts();
    // The planner's rows (Rules::sgPlanned), matched to the list by input.
    Q_INVOKABLE void setPlans(const QVariantList &planned);
    Q_INVOKABLE QStringList failedPaths() const;
    // The first row that failed, -1 when none.
    Q_INVOKABLE int firstFailed() const;

    // Sends `command` with `options` through the bridge and follows its news;
    // `inputs` are the rows it converts, `format` what they will be written
    // as (see runFormat). The options carry each input's own start. False,
    // sending nothing, while a run goes.
    Q_INVOKABLE bool start(const QString &command, const QVariantMap &options,
                           const QStringList &inputs, const QVariantMap &format);
    // The seconds a run may still take that has taken `elapsedMs` to come
    // `progress` (0 to 1) of the way; -1 while too little is done to tell.
    Q_INVOKABLE int secondsLeftAfter(double elapsedMs, double progress) const;
    // Asks the bridge to stop the run; false when none runs or stop was asked.
    Q_INVOKABLE bool stop();

Q_SIGNALS:
    void bridgeChanged();
    void countChanged();
    // The inputs or their order changed.
    void pathsChanged();
    void startsChanged();
    void sortKeyChanged();
    // The rows moved to the sort key's order; a view finds its selection
    // again by path.
    void reordered();
    void plansChanged();
    void outcomesChanged();
    void runChanged();
    void progressChanged();
    // A row began to convert, for the view to keep it in sight.
    void rowStarted(int row);
    // Something of one row changed; -1: of every row. For a view that shows
    // one row apart, and needs no news of the others.
    void rowDataChanged(int row);
    // The run has ended; the rows say what became of each input.
    void finished();

private Q_SLOTS:
    void onWait(bool wait);
    void onReady(const QString &fileName);
    void onFailed(const QString &fileName, const QString &reason);
    void onSkipped(const QString &fileName, const QString &reason);
    void onStarted(const QString &fileName);
    void onProgress(const QString &fileName, qreal done, qreal total);
    void onFraction(const QString &fileName, double fraction);
    void onClipped(const QString &fileName, qreal samples);
    void onWarning(const QString &fileName, const QString &text);
    void onGain(const QString &fileName, double gainDb, bool ceilingHeld);

private:
    struct Row
    {
        QString path;
        QString name;
        QString folder;
        QString status;
        QString reason;
        QString output;
        double progress = -1;
        double clipped = 0;
        QString warning;
        QVariant plan;
        QString start;
        QString subfolder;
        QVariantMap got;
        // The gain its level chose in this run, once measured.
        bool measured = false;
        double gainDb = 0;
        bool ceilingHeld = false;
        // The order it was added in, for the list's unsorted order.
        quint64 serial = 0;
    };
    struct Tally
    {
        int converted = 0;
        int skipped = 0;
        int failed = 0;
        int stopped = 0;
    };

    // The row of the running request that `fileName` names and that has no
    // result yet; -1 when none.
    int openRow(const QString &fileName) const;
    void changed(int row, const QVector<int> &roles);
    void changedAll(const QVector<int> &roles);
    void setStatus(Row &row, const QString &status);
    void reindex();
    // Puts the rows in the sort key's order, unless a run goes.
    void sortRows();
    void setFraction(int row, double fraction);
    // Tells the view that the counts and the progress moved: at once between
    // runs, a few times a second while one goes.
    void tellCounts(bool outcomes);
    void countsDue();
    void endRow(int row, const QString &status, const QString &reason);
    void finish();

    QPointer<QObject> bridgeObject;
    QVector<Row> rows;
    QHash<QString, int> rowOf;
    // How many rows have each name, case folded as a card compares them.
    QHash<QString, int> names;
    // How many rows have each status, kept as statuses change: the counts are
    // read after every row's end, and a list of thousands must not be walked
    // each time.
    QHash<QString, int> statuses;
    bool plansCurrent = false;
    QString sortBy;
    quint64 serials = 0;

    QString state;
    bool open = false;
    bool stopAsked = false;
    int total = 0;
    Tally tally;
    // The share done of each row converting now.
    QHash<int, double> fractions;
    double fractionSum = 0;
    QString refusal;
    QVariantMap format;
    QElapsedTimer clock;
    QTimer ticks;
    QTimer countTicks;
    bool tellOutcomes = false;
};

// Makes Batch known to QML as Sabletide.Window 1.0.
void registerBatchType();

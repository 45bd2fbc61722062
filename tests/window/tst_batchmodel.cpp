// The window's batch against a stand-in bridge: how its rows follow a run's
// news, what it sends, and what it refuses while a run goes.
#include "bridge/batch.h"
#include "standinbridge.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestBatch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void runFollowsTheNews_data();
    void runFollowsTheNews();
    void lockedWhileRunning();
    void plansCountWhatConverts();
    void repeatedNamesShowTheirFolder();
    void sortKeepsEachRowsOwn_data();
    void sortKeepsEachRowsOwn();

private:
    QStringList statuses(const Batch &batch) const;
    QVariantMap format(const QString &folder) const;
};

QStringList TestBatch::statuses(const Batch &batch) const
{
    QStringList list;
    for (int i = 0; i < batch.count(); ++i)
        list << batch.rowAt(i).value(QStringLiteral("status")).toString();
    return list;
}

QVariantMap TestBatch::format(const QString &folder) const
{
    return {{"rate", 32000}, {"channels", 1}, {"bits", 16}, {"folder", folder}, {"suffix", "_x"}};
}

void TestBatch::runFollowsTheNews_data()
{
    // Each step: "started a", "ready a", "failed a why", "skipped a why",
    // "stop", "end" (sgWait(false)); a, b and c are the rows, all sent.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QList<int>>("tally"); // converted, skipped, failed, stopped

    QTest::newRow("all converted")
        << QStringList{"started a", "gain a", "ready a", "ready b", "ready c", "end"}
        << QStringList{"converted", "converted", "converted"} << "done" << QList<int>{3, 0, 0, 0};
    QTest::newRow("one failed, one never answered")
        << QStringList{"ready a", "failed b why", "end"}
        << QStringList{"converted", "failed", "failed"} << "done" << QList<int>{1, 0, 2, 0};
    QTest::newRow("skipped") << QStringList{"skipped a exists", "ready b", "ready c", "end"}
                             << QStringList{"skipped", "converted", "converted"} << "done"
                             << QList<int>{2, 1, 0, 0};
    QTest::newRow("stopped: failures after stop are the stop's")
        << QStringList{"ready a", "started b", "stop", "failed b cancelled", "end"}
        << QStringList{"converted", "stopped", "stopped"} << "stopped" << QList<int>{1, 0, 0, 2};
    QTest::newRow("news twice or for other files changes nothing")
        << QStringList{"ready a", "failed a late", "ready z",       "ready b",
                       "ready c", "end",           "failed c after"}
        << QStringList{"converted", "converted", "converted"} << "done" << QList<int>{3, 0, 0, 0};
}

void TestBatch::runFollowsTheNews()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(QString, state);
    QFETCH(QList<int>, tally);

    QTemporaryDir out;
    StandInBridge bridge;
    Batch batch;
    batch.setBridge(&bridge);
    QCOMPARE(batch.addPaths({"/in/a.wav", "/in/b.flac", "/in/c.ogg", "/in/a.wav"}), 3);
    // What a converted row got is read from its file.
    QFile written(out.filePath(QStringLiteral("a_x.wav")));
    QVERIFY(written.open(QIODevice::WriteOnly) && written.write(QByteArray(1044, 0)) == 1044);
    written.close();
    QSignalSpy ended(&batch, &Batch::finished);

    QVERIFY(batch.start(QStringLiteral("$DoConvert,cmd"), {{"existing", "skip"}}, batch.paths(),
                        format(out.path() + QLatin1Char('/'))));
    QCOMPARE(bridge.commands(), QStringList{"$DoConvert,cmd"});
    QVERIFY(batch.running());
    QVERIFY(!batch.start(QStringLiteral("again"), {}, batch.paths(), {}));
    for (const QString &step : steps) {
        const QStringList w = step.split(QLatin1Char(' '));
        const QString path =
            w.size() > 1 ? batch.pathAt(QStringLiteral("abc").indexOf(w.at(1))) : QString();
        const QString file = path.isEmpty() && w.size() > 1 ? QStringLiteral("/in/z.wav") : path;
        if (w.at(0) == QLatin1String("started"))
            bridge.emitStarted(file);
        else if (w.at(0) == QLatin1String("ready"))
            bridge.emitReady(file);
        else if (w.at(0) == QLatin1String("failed"))
            bridge.emitFailed(file, w.value(2));
        else if (w.at(0) == QLatin1String("skipped"))
            bridge.emitSkipped(file, w.value(2));
        else if (w.at(0) == QLatin1String("gain"))
            bridge.emitGain(file, -3.25, true);
        else if (w.at(0) == QLatin1String("stop"))
            QVERIFY(batch.stop());
        else if (w.at(0) == QLatin1String("end"))
            bridge.emitWait(false);
    }
    QCOMPARE(statuses(batch), expected);
    QCOMPARE(batch.runState(), state);
    QVERIFY(!batch.running());
    QCOMPARE(ended.count(), 1);
    QCOMPARE((QList<int>{batch.convertedCount(), batch.skippedCount(), batch.failedCount(),
                         batch.stoppedCount()}),
             tally);
    QCOMPARE(batch.progress(), 1.0);
    QCOMPARE(batch.failedRows(), expected.count(QStringLiteral("failed")));
    QCOMPARE(batch.listOutcomes().value(QStringLiteral("stopped")).toInt(),
             expected.count(QStringLiteral("stopped")));
    // The counts follow the list as it changes.
    batch.removeAt(1);
    expected.removeAt(1);
    QCOMPARE(batch.failedRows(), expected.count(QStringLiteral("failed")));
    QCOMPARE(batch.listOutcomes().value(QStringLiteral("converted")).toInt(),
             expected.count(QStringLiteral("converted")));
    const QVariantMap first = batch.rowAt(0);
    if (first.value(QStringLiteral("status")) == QLatin1String("converted")) {
        QCOMPARE(first.value(QStringLiteral("output")).toString(), written.fileName());
        const QVariantMap got = first.value(QStringLiteral("got")).toMap();
        QCOMPARE(got.value(QStringLiteral("rate")).toInt(), 32000);
        QCOMPARE(got.value(QStringLiteral("bytes")).toDouble(), 1044.0);
        // The gain its level chose, where it was measured.
        QCOMPARE(got.value(QStringLiteral("gainDb")),
                 steps.contains(QStringLiteral("gain a")) ? QVariant(-3.25) : QVariant());
    }
}

// While a run goes the list and the starts stand still; Stop stays.
void TestBatch::lockedWhileRunning()
{
    StandInBridge bridge;
    Batch batch;
    batch.setBridge(&bridge);
    batch.addPaths({"/in/a.wav", "/in/b.wav"});
    QVERIFY(batch.setStart(1, QStringLiteral(" 1.5 ")));
    // A start the engine cannot read changes nothing.
    QVERIFY(!batch.setStart(0, QStringLiteral("soon")));
    QCOMPARE(batch.starts(), (QStringList{"", "1.5"}));
    QCOMPARE(batch.startsOf({"/in/b.wav", "/in/x.wav"}), (QStringList{"1.5", ""}));
    QVERIFY(batch.start(QStringLiteral("$DoConvert,cmd"), {}, {"/in/b.wav"}, {}));
    QCOMPARE(statuses(batch), (QStringList{"", "waiting"}));
    QCOMPARE(batch.addPaths({"/in/c.wav"}), 0);
    batch.removeAt(0);
    batch.clear();
    batch.clearStarts();
    QVERIFY(!batch.setStart(0, QStringLiteral("2")));
    QCOMPARE(batch.count(), 2);
    QCOMPARE(batch.starts(), (QStringList{"", "1.5"}));
    QVERIFY(batch.stop());
    QVERIFY(!batch.stop());
    QCOMPARE(bridge.property("cancels").toInt(), 1);
    bridge.emitWait(false);
    QCOMPARE(statuses(batch), (QStringList{"", "stopped"}));
    batch.clearStarts();
    QCOMPARE(batch.starts(), (QStringList{"", ""}));
}

void TestBatch::plansCountWhatConverts()
{
    Batch batch;
    batch.addPaths({"/in/a.wav", "/in/b.wav", "/in/c.wav"});
    QCOMPARE(batch.willConvert(), 3);
    batch.setPlans({QVariantMap{{"input", "/in/c.wav"}, {"status", "convert"}},
                    QVariantMap{{"input", "/in/a.wav"}, {"status", "refused"}},
                    QVariantMap{{"input", "/elsewhere.wav"}, {"status", "convert"}}});
    batch.setPlanCurrent(true);
    QCOMPARE(batch.willConvert(), 1);
    QCOMPARE(batch.rowAt(2).value(QStringLiteral("plan")).toMap().value("status").toString(),
             QStringLiteral("convert"));
    QVERIFY(!batch.rowAt(1).value(QStringLiteral("plan")).isValid());
    // A form that changed: the plans no longer count.
    batch.setPlanCurrent(false);
    QCOMPARE(batch.willConvert(), 3);
}

void TestBatch::repeatedNamesShowTheirFolder()
{
    Batch batch;
    batch.addPaths({"/a/kick.wav", "/b/snare.wav"});
    QVERIFY(!batch.rowAt(0).value(QStringLiteral("repeated")).toBool());
    QSignalSpy changed(&batch, &QAbstractItemModel::dataChanged);
    // As a memory card compares names.
    batch.addPaths({"/c/KICK.wav"});
    QVERIFY(!changed.isEmpty());
    QVERIFY(batch.rowAt(0).value(QStringLiteral("repeated")).toBool());
    QVERIFY(batch.rowAt(2).value(QStringLiteral("repeated")).toBool());
    QVERIFY(!batch.rowAt(1).value(QStringLiteral("repeated")).toBool());
    QCOMPARE(batch.rowAt(2).value(QStringLiteral("folder")).toString(), QStringLiteral("/c/"));
    batch.removeAt(0);
    QVERIFY(!batch.rowAt(1).value(QStringLiteral("repeated")).toBool());
    QCOMPARE(batch.indexOf(QStringLiteral("/c/KICK.wav")), 1);
}

void TestBatch::sortKeepsEachRowsOwn_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("hatAt"); // where a file added after the sort goes

    const QString k10 = "/in/kick 10.wav", k2b = "/b/Kick 2.flac", snare = "/in/snare.ogg",
                  k2a = "/a/kick 2.wav";
    QTest::newRow("as added") << "" << QStringList{k10, k2b, snare, k2a} << 4;
    // Case aside, numbers by value; the same name by folder.
    QTest::newRow("name") << "name" << QStringList{k2b, k2a, k10, snare} << 0;
    // The length the plan does not know comes last.
    QTest::newRow("length") << "length" << QStringList{k2b, k2a, k10, snare} << 4;
}

// A sort asked for while a run goes waits for its end; each row keeps its
// own start and status wherever it goes.
void TestBatch::sortKeepsEachRowsOwn()
{
    QFETCH(QString, key);
    QFETCH(QStringList, order);
    QFETCH(int, hatAt);

    const QStringList added{"/in/kick 10.wav", "/b/Kick 2.flac", "/in/snare.ogg", "/a/kick 2.wav"};
    StandInBridge bridge;
    Batch batch;
    QAbstractItemModelTester tester(&batch, QAbstractItemModelTester::FailureReportingMode::QtTest);
    batch.setBridge(&bridge);
    batch.addPaths(added);
    const auto plan = [](const QString &input, double seconds) {
        return QVariantMap{
            {"input", input},
            {"facts",
             QVariantMap{{"opened", true}, {"frames", seconds * 8000}, {"seconds", seconds}}}};
    };
    batch.setPlans({plan(added[0], 3), plan(added[1], 1.5), plan(added[3], 2)});
    QVERIFY(batch.setStart(batch.indexOf(added[2]), QStringLiteral("0.5")));
    QVERIFY(batch.start(QStringLiteral("$DoConvert,cmd"), {}, added, {}));
    bridge.emitFailed(added[0], QStringLiteral("why"));
    for (int i = 1; i < added.size(); ++i)
        bridge.emitSkipped(added.at(i), QStringLiteral("exists"));
    QSignalSpy reordered(&batch, &Batch::reordered);
    // What a view holds on to follows its row.
    const QPersistentModelIndex held(batch.index(2));
    batch.setSortKey(key);
    QCOMPARE(batch.paths(), added);
    QCOMPARE(reordered.count(), 0);
    bridge.emitWait(false);

    QCOMPARE(batch.paths(), order);
    QCOMPARE(reordered.count(), order == added ? 0 : 1);
    for (int i = 0; i < order.size(); ++i) {
        QCOMPARE(batch.indexOf(order.at(i)), i);
        QCOMPARE(batch.data(batch.index(i), Batch::PathRole).toString(), order.at(i));
    }
    QCOMPARE(held.data(Batch::PathRole).toString(), added[2]);
    QCOMPARE(batch.rowAt(batch.indexOf(added[2])).value("start").toString(), QStringLiteral("0.5"));
    QCOMPARE(batch.starts().at(order.indexOf(added[2])), QStringLiteral("0.5"));
    QCOMPARE(batch.firstFailed(), batch.indexOf(added[0]));
    QCOMPARE(batch.rowAt(batch.indexOf(added[0])).value("reason").toString(),
             QStringLiteral("why"));

    // A file added later takes its place in the order.
    batch.addPaths({"/in/hat 1.wav"});
    QCOMPARE(batch.indexOf("/in/hat 1.wav"), hatAt);
    // Back to the order they were added in.
    batch.setSortKey(QString());
    QCOMPARE(batch.paths(), added + QStringList{"/in/hat 1.wav"});
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batchmodel.moc"

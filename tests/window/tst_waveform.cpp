// The slot drawn over the waveform and played before converting: the item's
// overlay stands on the planner's frames, its start marker drags to a frame,
// overviews are kept until forgotten, and a preview says plainly when there
// is no sound output.
#include "bridge/preview.h"
#include "bridge/waveform.h"

#include "testutil.h"

#include <QDir>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestWaveform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void overlayStandsOnThePlan_data();
    void overlayStandsOnThePlan();
    void draggingTheStart_data();
    void draggingTheStart();
    void zoomToTheSlot_data();
    void zoomToTheSlot();
    void rulerSteps_data();
    void rulerSteps();
    void overviewIsKeptUntilForgotten();
    void play_data();
    void play();

private:
    QString command(int bits, quint32 size) const;

    QTemporaryDir root;
    QString tmp;
    QString input; // 1 s at 44.1 kHz: 22050 frames at 22050 Hz
    QString other;
};

void TestWaveform::initTestCase()
{
    registerPreviewTypes();
    QVERIFY(root.isValid());
    tmp = root.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmp));
    qputenv("TMPDIR", QFile::encodeName(tmp));
    input = root.filePath(QStringLiteral("take.flac"));
    other = root.filePath(QStringLiteral("other.wav"));
    QVERIFY(testutil::makeAudio(input, 44100, 2, 16, 1.0));
    QVERIFY(testutil::makeAudio(other, 8000, 1, 16, 0.5));
}

QString TestWaveform::command(int bits, quint32 size) const
{
    return testutil::convertCommand(22050, 2, bits, size, root.path(), QString(), {input});
}

void TestWaveform::overlayStandsOnThePlan_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<qreal>("start");
    QTest::addColumn<qreal>("fadeStart");
    QTest::addColumn<qreal>("soundEnd");
    QTest::addColumn<qreal>("cut");
    QTest::addColumn<qreal>("padEnd");

    QTest::newRow("cut") << 16 << quint32(44 + 4 * 10000) << QVariantMap() << 0.0 << 10000.0
                         << 10000.0 << 10000.0 << 10000.0;
    QTest::newRow("start, fade and cut")
        << 16 << quint32(44 + 4 * 10000)
        << QVariantMap{{"start", "0.226757369"}, {"fadeOutMs", "100"}} << 5000.0 << 12795.0
        << 15000.0 << 15000.0 << 15000.0;
    QTest::newRow("start, then padding")
        << 16 << quint32(44 + 4 * 3000) << QVariantMap{{"start", "0.907029478"}, {"pad", true}}
        << 20000.0 << 22050.0 << 22050.0 << -1.0 << 23000.0;
    QTest::newRow("padding that ends inside a frame")
        << 24 << quint32(44 + 6 * 22050 + 63) << QVariantMap{{"pad", true}} << 0.0 << 22050.0
        << 22050.0 << -1.0 << 22061.0;
    QTest::newRow("the whole sound") << 16 << 0u << QVariantMap{{"fadeOutMs", "100"}} << 0.0
                                     << 22050.0 << 22050.0 << -1.0 << 22050.0;
}

// The slot that SlotPreview plans, handed to the item as the window binds it:
// at one pixel a frame, every line stands on its frame, and at any other width
// in proportion.
void TestWaveform::overlayStandsOnThePlan()
{
    QFETCH(int, bits);
    QFETCH(quint32, size);
    QFETCH(QVariantMap, options);
    QFETCH(qreal, start);
    QFETCH(qreal, fadeStart);
    QFETCH(qreal, soundEnd);
    QFETCH(qreal, cut);
    QFETCH(qreal, padEnd);

    SlotPreview preview;
    QSignalSpy slotChanged(&preview, &SlotPreview::slotChanged);
    preview.doShow(command(bits, size), options, input);
    QTRY_VERIFY(preview.slot().contains(QStringLiteral("totalFrames")));
    QCOMPARE(slotChanged.count(), 2); // emptied for a new input, then answered
    QVERIFY2(preview.slot().value(QStringLiteral("ok")).toBool(),
             qPrintable(preview.slot().value(QStringLiteral("reason")).toString()));

    WaveformItem item;
    for (const char *name :
         {"totalFrames", "startFrame", "cutFrame", "fadeFrames", "padFrames", "rate"})
        QVERIFY(item.setProperty(name, preview.slot().value(QLatin1String(name))));
    const qreal span = qMax<qreal>(22050, padEnd);
    item.setWidth(span);
    WaveformItem::Geometry g = item.overlay();
    QCOMPARE(g.start, start);
    QCOMPARE(g.fadeStart, fadeStart);
    QCOMPARE(g.soundEnd, soundEnd);
    QCOMPARE(g.cut, cut);
    QCOMPARE(g.padEnd, padEnd);
    QCOMPARE(g.total, 22050.0);

    item.setWidth(640);
    g = item.overlay();
    QCOMPARE(g.fadeStart, fadeStart * 640 / span);
    QCOMPARE(g.padEnd, padEnd * 640 / span);
}

void TestWaveform::draggingTheStart_data()
{
    QTest::addColumn<int>("pressX");
    QTest::addColumn<int>("moveX");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<double>("frame");

    // 22050 frames across 1000 pixels; the start marker stands at 500.
    QTest::newRow("to the right") << 503 << 700 << 1 << 15435.0;
    QTest::newRow("past the end: the last frame") << 498 << 1200 << 1 << 22049.0;
    QTest::newRow("before the beginning: frame 0") << 500 << -50 << 1 << 0.0;
    QTest::newRow("a press away from the marker moves nothing") << 800 << 900 << 0 << 0.0;
}

void TestWaveform::draggingTheStart()
{
    QFETCH(int, pressX);
    QFETCH(int, moveX);
    QFETCH(int, emitted);
    QFETCH(double, frame);

    QQuickWindow window;
    window.resize(1000, 100);
    WaveformItem item(window.contentItem());
    item.setSize(QSizeF(1000, 100));
    item.setTotalFrames(22050);
    item.setRate(22050);
    item.setStartFrame(11025);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy dragged(&item, &WaveformItem::startFrameDragged);
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, QPoint(pressX, 50));
    QCOMPARE(item.dragging(), emitted > 0);
    QTest::mouseMove(&window, QPoint(moveX, 50));
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, QPoint(moveX, 50));
    QCOMPARE(dragged.count(), emitted);
    if (emitted > 0)
        QCOMPARE(dragged.first().first().toDouble(), frame);
    QVERIFY(!item.dragging());
    // The start stays the planner's until the window sets it.
    QCOMPARE(item.startFrame(), 11025.0);
}

void TestWaveform::zoomToTheSlot_data()
{
    QTest::addColumn<double>("total");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("cut");
    QTest::addColumn<double>("pad");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("firstTick"); // seconds

    // 48 kHz: a 5 s slot from 10 min in a 30 min sound, 0.25 s either side.
    QTest::newRow("5 s of 30 min")
        << 86400000.0 << 28800000.0 << 29040000.0 << 0.0 << 28788000.0 << 29052000.0 << 600.0;
    QTest::newRow("from the beginning")
        << 96000.0 << 0.0 << 48000.0 << 0.0 << 0.0 << 50400.0 << 0.0;
    // The padding is part of the slot; the view ends with it.
    QTest::newRow("padded") << 24000.0 << 12000.0 << 0.0 << 36000.0 << 9600.0 << 60000.0 << 0.2;
}

void TestWaveform::zoomToTheSlot()
{
    QFETCH(double, total);
    QFETCH(double, start);
    QFETCH(double, cut);
    QFETCH(double, pad);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, firstTick);

    WaveformItem item;
    item.setWidth(1000);
    item.setRate(48000);
    item.setTotalFrames(total);
    item.setStartFrame(start);
    item.setCutFrame(cut);
    item.setPadFrames(pad);
    const double span = qMax(total, (cut > 0 ? cut : total) + pad);
    QCOMPARE(item.viewTo(), span);
    QSignalSpy viewChanged(&item, &WaveformItem::viewChanged);
    item.setZoomToSlot(true);
    QCOMPARE(viewChanged.count(), 1);
    QCOMPARE(item.viewFrom(), from);
    QCOMPARE(item.viewTo(), to);
    const double scale = 1000 / (to - from);
    QCOMPARE(item.overlay().start, (start - from) * scale);
    // A press lands on the frame drawn under it.
    const WaveformItem::Span view{quint64(from), quint64(to)};
    SlotFrames slot;
    slot.totalFrames = quint64(total);
    QCOMPARE(double(WaveformItem::frameAt(item.overlay().start, slot, 0, 1000, view)), start);
    const QVariantList ticks = item.ticks();
    QVERIFY(!ticks.isEmpty());
    const QVariantMap first = ticks.first().toMap();
    QCOMPARE(first.value("seconds").toDouble(), firstTick);
    QCOMPARE(first.value("x").toDouble(), (firstTick * 48000 - from) * scale);
    QVERIFY(ticks.size() <= 1000 / 80 + 1);
}

void TestWaveform::rulerSteps_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("step");

    // Across 600 pixels, ticks at least 80 apart.
    QTest::newRow("nothing") << 0.0 << 0.0;
    QTest::newRow("50 ms") << 0.05 << 0.01;
    QTest::newRow("half a second") << 0.5 << 0.1;
    QTest::newRow("5 s") << 5.0 << 1.0;
    QTest::newRow("30 s") << 30.0 << 5.0;
    QTest::newRow("100 s") << 100.0 << 15.0;
    QTest::newRow("30 min") << 1800.0 << 300.0;
    QTest::newRow("10 h") << 36000.0 << 7200.0;
}

void TestWaveform::rulerSteps()
{
    QFETCH(double, seconds);
    QFETCH(double, step);
    QCOMPARE(WaveformItem::tickStep(seconds, 600, 80), step);
}

// Made once per file and format: shown again at once, until forgotten.
void TestWaveform::overviewIsKeptUntilForgotten()
{
    SlotPreview preview;
    preview.doShow(command(16, 0), {}, input);
    QTRY_VERIFY(preview.overview().isValid());
    QCOMPARE(preview.overview().value<Overview>().frames, quint64(22050));
    QCOMPARE(preview.overviewProgress(), -1.0);

    QSignalSpy changed(&preview, &SlotPreview::overviewChanged);
    // Another size or start draws the same sound.
    preview.doShow(command(16, 44 + 4000), {{"start", "0.5"}}, input);
    QCOMPARE(changed.count(), 0);
    QVERIFY(preview.overview().isValid());

    preview.doShow(command(16, 0), {}, other);
    QVERIFY(!preview.overview().isValid());
    preview.doShow(command(16, 0), {}, input);
    QVERIFY(preview.overview().isValid());

    preview.doForget(input);
    preview.doShow(command(16, 0), {}, other);
    preview.doShow(command(16, 0), {}, input);
    QVERIFY(!preview.overview().isValid());
    QTRY_VERIFY(preview.overview().isValid());
    QCOMPARE(preview.overview().value<Overview>().frames, quint64(22050));
}

void TestWaveform::play_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<int>("failed");
    QTest::addColumn<int>("ended");

    // ALSA's "null" device takes the sound and plays none, on any machine.
    QTest::newRow("no sound output") << QByteArray("sabletide-no-such-device") << false << 1 << 0;
    QTest::newRow("played to its end") << QByteArray("null") << false << 0 << 1;
    QTest::newRow("stopped at once") << QByteArray("null") << true << 0 << 1;
}

void TestWaveform::play()
{
    QFETCH(QByteArray, device);
    QFETCH(bool, stop);
    QFETCH(int, failed);
    QFETCH(int, ended);

    SlotPreview preview;
    preview.setOutputs({{"alsa", device}});
    QSignalSpy failures(&preview, &SlotPreview::sgPlayFailed);
    QSignalSpy ends(&preview, &SlotPreview::sgPlayEnded);
    preview.doPlay(command(16, 44 + 4 * 20000), {{"fadeOutMs", "20"}}, input);
    QCOMPARE(preview.playState(), QStringLiteral("preparing"));
    QCOMPARE(preview.playingInput(), input);
    if (stop) {
        preview.doStop();
        QCOMPARE(preview.playState(), QStringLiteral("idle"));
    }
    QTRY_COMPARE(failures.count() + ends.count(), 1);
    QCOMPARE(failures.count(), failed);
    QCOMPARE(ends.count(), ended);
    if (failed > 0) {
        QCOMPARE(failures.first().first().toString(), input);
        const QString reason = failures.first().at(1).toString();
        QVERIFY2(reason.startsWith(QLatin1String("No sound output is available: ALSA: ")),
                 qPrintable(reason));
    }
    QCOMPARE(preview.playState(), QStringLiteral("idle"));
    QCOMPARE(QDir(tmp).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestWaveform)
#include "tst_waveform.moc"

// Makes the README's pictures of the slot preview in the real window: a short
// sound padded to its slot, a long one cut with a fade, and the same with the
// start moved into the sound; then the presets menu. Run by scripts/screenshots under Xvfb; writes
// PNG files into the folder named by its one argument.
#include "app/core.h"
#include "bridge/preview.h"
#include "convert/soxhandles.h"
#include "testutil.h"
#include "windowdriver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

bool fail(const char *what)
{
    std::fprintf(stderr, "slot screenshots: %s\n", what);
    return false;
}

// Selects `row` and waits until its waveform and slot are drawn.
bool showRow(WindowDriver &driver, int row)
{
    QObject *list = driver.control(QStringLiteral("inputList"));
    QObject *waveform = driver.control(QStringLiteral("waveform"));
    if (!list || !waveform)
        return false;
    list->setProperty("currentIndex", row);
    return QTest::qWaitFor(
        [waveform] {
            return waveform->property("overview").isValid() &&
                   !waveform->property("overview").isNull() &&
                   waveform->property("totalFrames").toDouble() > 0;
        },
        20000);
}

bool save(WindowDriver &driver, const QString &folder, const QString &name)
{
    QTest::qWait(400);
    const QImage image = driver.window()->grabWindow();
    const QString path = QDir(folder).filePath(name);
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "slot screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Sounds with a shape worth seeing: a plucked note that dies away, and a
// longer phrase of notes.
bool makeSounds(const QString &folder)
{
    const QString sox = QStringLiteral("sox");
    return testutil::run(sox, {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                               QStringLiteral("-b"), QStringLiteral("16"),
                               folder + QStringLiteral("/chime.wav"), QStringLiteral("synth"),
                               QStringLiteral("1.2"), QStringLiteral("pluck"),
                               QStringLiteral("E5"), QStringLiteral("gain"),
                               QStringLiteral("-3")}) == 0 &&
           testutil::run(sox, {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("48000"),
                               QStringLiteral("-b"), QStringLiteral("16"),
                               folder + QStringLiteral("/phrase.flac"), QStringLiteral("synth"),
                               QStringLiteral("6"), QStringLiteral("sine"), QStringLiteral("330"),
                               QStringLiteral("tremolo"), QStringLiteral("1.1"),
                               QStringLiteral("90"), QStringLiteral("gain"),
                               QStringLiteral("-4")}) == 0;
}

bool run(const QString &outFolder)
{
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/sabletide-demo-XXXXXX"));
    const QString config = scratch.filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QDir root(scratch.path());
    root.mkpath(QStringLiteral("Sounds"));
    root.mkpath(QStringLiteral("Slots"));
    const QString in = root.filePath(QStringLiteral("Sounds"));
    if (!makeSounds(in))
        return fail("cannot make the demo sounds");

    sox::Session soxSession;
    registerPreviewTypes();
    Core core(nullptr);
    WindowDriver driver;
    if (!driver.attach())
        return fail("no window");
    driver.window()->resize(960, 640);

    if (!driver.drop({in}) || !driver.waitForInputs(2))
        return fail("the drop did not add the demo sounds");
    // A two-second slot at 22,050 Hz mono 16-bit, padded, with a long fade so
    // that it shows.
    const bool filled =
        driver.type(QStringLiteral("rateBox"), QStringLiteral("22050")) &&
        driver.type(QStringLiteral("channelsBox"), QStringLiteral("1")) &&
        driver.choose(QStringLiteral("bitsBox"), 1) &&
        driver.click(QStringLiteral("durationRadio")) &&
        driver.type(QStringLiteral("durationField"), QStringLiteral("2")) &&
        driver.type(QStringLiteral("fadeField"), QStringLiteral("400")) &&
        driver.type(QStringLiteral("folderField"), root.filePath(QStringLiteral("Slots"))) &&
        driver.type(QStringLiteral("suffixField"), QStringLiteral("_slot"));
    if (!filled)
        return fail("cannot fill the form");
    QObject *planner = driver.view()->property("planner").value<QObject *>();
    if (!planner ||
        !QTest::qWaitFor([planner] { return planner->property("current").toBool(); }, 10000))
        return fail("the form was not planned");

    // Rows are in name order: chime.wav, then phrase.flac.
    if (!showRow(driver, 0) || !save(driver, outFolder, QStringLiteral("10-slot-padded.png")))
        return fail("the padded slot was not shown");
    if (!showRow(driver, 1) || !save(driver, outFolder, QStringLiteral("11-slot-cut.png")))
        return fail("the cut slot was not shown");
    if (!driver.type(QStringLiteral("startField"), QStringLiteral("1")) ||
        !QTest::qWaitFor([planner] { return planner->property("current").toBool(); }, 10000) ||
        !showRow(driver, 1) || !save(driver, outFolder, QStringLiteral("12-slot-start.png")))
        return fail("the moved start was not shown");

    // The presets the form can be filled from, one of them the person's own.
    QObject *presets = driver.control(QStringLiteral("presetButton"));
    QVariant problem;
    if (!presets ||
        !QMetaObject::invokeMethod(presets, "save", Q_RETURN_ARG(QVariant, problem),
                                   Q_ARG(QVariant, QStringLiteral("Drum pad A1"))) ||
        !problem.toString().isEmpty())
        return fail("cannot save a preset");
    QObject *menu = driver.control(QStringLiteral("presetMenu"));
    if (!menu || !driver.click(QStringLiteral("presetButton")) ||
        !QTest::qWaitFor([menu] { return menu->property("opened").toBool(); }))
        return fail("the presets did not open");
    return save(driver, outFolder, QStringLiteral("13-presets.png"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationName(QStringLiteral("SabletideScreenshots"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_slot_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    return run(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}

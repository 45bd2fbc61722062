// Makes the README's pictures of the real window: empty, with inputs, busy,
// at the end of a run with failures, those failures alone, asking about
// existing outputs, and asking before it closes mid-run; then the slot
// preview (a short sound padded, a long one cut with a fade, its start moved)
// and the presets menu, in a second window; then the files added and the run
// done at 800×600 and 1280×800, in English and in German.
// Run by scripts/screenshots under Xvfb; writes PNG files into the folder
// named by its first argument, their names ending in the second if there is
// one (as "-dark" for the pictures of a dark desktop).
#include "app/core.h"
#include "app/translations.h"
#include "bridge/data.h"
#include "bridge/windowtypes.h"
#include "convert/soxhandles.h"
#include "testutil.h"
#include "windowdriver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

// Added to each picture's name, before ".png".
QString nameEnding;

QString pictureName(const QString &name)
{
    return QString(name).replace(QStringLiteral(".png"), nameEnding + QStringLiteral(".png"));
}

bool save(WindowDriver &driver, const QString &folder, const QString &name, int settleMs = 300)
{
    // Let bindings, layouts and a frame of the busy indicator settle.
    QTest::qWait(settleMs);
    const QImage image = driver.window()->grabWindow();
    const QString path = QDir(folder).filePath(pictureName(name));
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool fail(const char *what)
{
    std::fprintf(stderr, "screenshots: %s\n", what);
    return false;
}

// Each window starts from settings of its own, as on a first start.
void freshSettings(const QDir &root, const QString &name)
{
    const QString config = root.filePath(name);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
}

// The files of the batch pictures, in the folder `in`.
bool makeDemoFiles(const QString &in)
{
    QDir().mkpath(in);
    // The second file is long, so that the busy state lasts long enough to see.
    bool made =
        testutil::makeAudio(in + QStringLiteral("/alarm.flac"), 44100, 2, 16, 3) &&
        testutil::makeAudio(in + QStringLiteral("/battery low.wav"), 96000, 2, 24, 120, true) &&
        testutil::makeAudio(in + QStringLiteral("/door chime.aiff"), 48000, 1, 16, 2) &&
        testutil::makeAudio(in + QStringLiteral("/goodbye.ogg"), 44100, 2, 16, 4);
    // Short sounds, so that the list is long.
    const QStringList shortOnes{QStringLiteral("key press.wav"), QStringLiteral("level up.flac"),
                                QStringLiteral("menu back.wav"), QStringLiteral("menu open.wav"),
                                QStringLiteral("notify.flac"),   QStringLiteral("pickup.ogg"),
                                QStringLiteral("power off.wav"), QStringLiteral("ready.aiff"),
                                QStringLiteral("shutdown.flac"), QStringLiteral("timer end.wav"),
                                QStringLiteral("volume.wav"),    QStringLiteral("welcome.ogg")};
    for (const QString &name : shortOnes)
        made = made && testutil::makeAudio(in + QLatin1Char('/') + name, 22050, 1, 16, 0.6);
    for (const char *name : {"/intro.wav", "/low battery.mp3"}) {
        QFile broken(in + QLatin1String(name));
        made = made && broken.open(QIODevice::WriteOnly) && broken.write("not a sound\n") > 0;
    }
    return made || fail("cannot make the demo files");
}

bool batchScenes(const QString &outFolder, const QDir &root)
{
    freshSettings(root, QStringLiteral("config-batch"));
    root.mkpath(QStringLiteral("Slots"));
    const QString in = root.filePath(QStringLiteral("Voice prompts"));
    if (!makeDemoFiles(in))
        return false;
    Core core(nullptr);
    WindowDriver driver;
    if (!driver.attach())
        return fail("no window");
    driver.window()->resize(960, 640);

    if (!save(driver, outFolder, QStringLiteral("01-empty.png")))
        return false;

    if (!driver.drop({in}) || !driver.waitForInputs(18))
        return fail("the drop did not add the demo files");
    const bool filled =
        driver.type(QStringLiteral("rateBox"), QStringLiteral("16000")) &&
        driver.type(QStringLiteral("channelsBox"), QStringLiteral("1")) &&
        driver.choose(QStringLiteral("bitsBox"), 1) &&
        driver.click(QStringLiteral("durationRadio")) &&
        driver.type(QStringLiteral("durationField"), QStringLiteral("2.5")) &&
        driver.type(QStringLiteral("fadeField"), QStringLiteral("30")) &&
        driver.type(QStringLiteral("folderField"), root.filePath(QStringLiteral("Slots"))) &&
        driver.type(QStringLiteral("suffixField"), QStringLiteral("_slot"));
    if (!filled)
        return fail("cannot fill the form");
    driver.view()->forceActiveFocus();
    // The rows say what each file gets once the engine has planned the form.
    QObject *planner = driver.view()->property("planner").value<QObject *>();
    if (!planner ||
        !QTest::qWaitFor([planner] { return planner->property("current").toBool(); }, 10000))
        return fail("the form was not planned");
    if (!save(driver, outFolder, QStringLiteral("02-inputs.png")))
        return false;

    // Grab while the long second file converts, a third of the way in: the
    // window has taken that news before this handler runs.
    Data *bridge = core.bridge();
    QImage busy;
    QObject::connect(bridge, &Data::sgResampProgress, driver.window(),
                     [&](const QString &, qreal done, qreal total) {
                         if (busy.isNull() && driver.inputCount() > 1 &&
                             driver.input(1, QStringLiteral("status")) == "converting" &&
                             total > 0 && done >= total / 3)
                             busy = driver.window()->grabWindow();
                     });
    QSignalSpy wait(bridge, SIGNAL(sgWait(bool)));
    driver.pressEnter();
    if (wait.count() != 1)
        return fail("Enter did not start a conversion");
    if (wait.count() < 2 && !wait.wait(300000))
        return fail("the conversion did not end");
    const QString busyPath = QDir(outFolder).filePath(pictureName(QStringLiteral("03-busy.png")));
    if (busy.isNull() || !busy.save(busyPath))
        return fail("cannot write the busy picture");
    std::printf("%s\n", qPrintable(busyPath));

    if (!save(driver, outFolder, QStringLiteral("04-done.png")))
        return false;
    // The form changed after the run: the rows still say what they got.
    if (!driver.type(QStringLiteral("rateBox"), QStringLiteral("8000")))
        return fail("cannot change the form after the run");
    driver.view()->forceActiveFocus();
    if (!save(driver, outFolder, QStringLiteral("14-form-changed.png")))
        return false;
    if (!driver.type(QStringLiteral("rateBox"), QStringLiteral("16000")))
        return fail("cannot change the form back");
    driver.view()->forceActiveFocus();
    // The same list showing only what failed.
    if (!driver.click(QStringLiteral("failedOnlyBox")))
        return fail("no way to show the failures alone");
    if (!save(driver, outFolder, QStringLiteral("08-failed-only.png")))
        return false;
    driver.click(QStringLiteral("failedOnlyBox"));

    // The smallest size the window is made for.
    driver.window()->resize(720, 540);
    if (!save(driver, outFolder, QStringLiteral("05-small.png")))
        return false;

    // The same run again would write over its own outputs: the window asks first.
    driver.window()->resize(960, 640);
    driver.pressEnter();
    QObject *prompt = driver.control(QStringLiteral("existingPrompt"));
    if (!prompt || !QTest::qWaitFor([prompt] { return prompt->property("opened").toBool(); }))
        return fail("no question about the outputs that exist");
    if (!save(driver, outFolder, QStringLiteral("06-existing.png")))
        return false;

    // A folder that is not there yet: the window offers to make it first.
    const QString slotFolder = root.filePath(QStringLiteral("Slots"));
    if (!driver.click(QStringLiteral("cancelExistingButton")) ||
        !driver.type(QStringLiteral("folderField"), root.filePath(QStringLiteral("New slots"))))
        return fail("cannot name a new folder");
    driver.view()->forceActiveFocus();
    driver.pressEnter();
    QObject *folderPrompt = driver.control(QStringLiteral("folderPrompt"));
    if (!folderPrompt ||
        !QTest::qWaitFor([folderPrompt] { return folderPrompt->property("opened").toBool(); }))
        return fail("no offer to make the output folder");
    if (!save(driver, outFolder, QStringLiteral("09-new-folder.png")))
        return false;
    if (!driver.click(QStringLiteral("cancelFolderButton")) ||
        !driver.type(QStringLiteral("folderField"), slotFolder))
        return fail("cannot go back to the folder that exists");
    driver.view()->forceActiveFocus();

    // Closing while the long file converts whole: the window asks first.
    if (!driver.click(QStringLiteral("sizeRadio")) ||
        !driver.type(QStringLiteral("sizeField"), QStringLiteral("0")))
        return fail("cannot ask for the whole sound");
    QObject::connect(bridge, &Data::sgResampStarted, driver.window(), [&](const QString &input) {
        if (input.endsWith(QStringLiteral("battery low.wav")))
            QMetaObject::invokeMethod(driver.window(), "close", Qt::QueuedConnection);
    });
    driver.pressEnter();
    if (!QTest::qWaitFor([prompt] { return prompt->property("opened").toBool(); }) ||
        !driver.click(QStringLiteral("replaceButton")))
        return fail("the second run did not start");
    QObject *closing = driver.control(QStringLiteral("closePrompt"));
    if (!closing || !QTest::qWaitFor([closing] { return closing->property("opened").toBool(); }))
        return fail("closing mid-run did not ask");
    // Soon, before the run that the question is about ends.
    if (!save(driver, outFolder, QStringLiteral("07-closing.png"), 30))
        return false;
    wait.clear();
    driver.click(QStringLiteral("stopAndCloseButton"));
    return wait.count() > 0 || wait.wait(60000);
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

// Sounds with a shape worth seeing: a plucked note that dies away, and a
// longer phrase of notes.
bool makeSounds(const QString &folder)
{
    const QString sox = QStringLiteral("sox");
    return testutil::run(sox, {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                               QStringLiteral("-b"), QStringLiteral("16"),
                               folder + QStringLiteral("/chime.wav"), QStringLiteral("synth"),
                               QStringLiteral("1.2"), QStringLiteral("pluck"), QStringLiteral("E5"),
                               QStringLiteral("gain"), QStringLiteral("-3")}) == 0 &&
           testutil::run(sox,
                         {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("48000"),
                          QStringLiteral("-b"), QStringLiteral("16"),
                          folder + QStringLiteral("/phrase.flac"), QStringLiteral("synth"),
                          QStringLiteral("6"), QStringLiteral("sine"), QStringLiteral("330"),
                          QStringLiteral("tremolo"), QStringLiteral("1.1"), QStringLiteral("90"),
                          QStringLiteral("gain"), QStringLiteral("-4")}) == 0;
}

bool slotScenes(const QString &outFolder, const QDir &root)
{
    freshSettings(root, QStringLiteral("config-slot"));
    root.mkpath(QStringLiteral("Sounds"));
    const QString in = root.filePath(QStringLiteral("Sounds"));
    if (!makeSounds(in))
        return fail("cannot make the demo sounds");

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

    // Each file its own start: the chime a little in, the phrase further.
    QObject *batch = driver.view()->property("batch").value<QObject *>();
    bool set = false, set2 = false;
    if (!batch ||
        !QMetaObject::invokeMethod(batch, "setStart", Q_RETURN_ARG(bool, set), Q_ARG(int, 0),
                                   Q_ARG(QString, QStringLiteral("0.15"))) ||
        !QMetaObject::invokeMethod(batch, "setStart", Q_RETURN_ARG(bool, set2), Q_ARG(int, 1),
                                   Q_ARG(QString, QStringLiteral("2.5"))) ||
        !set || !set2 ||
        !QTest::qWaitFor([planner] { return planner->property("current").toBool(); }, 10000) ||
        !showRow(driver, 1) || !save(driver, outFolder, QStringLiteral("15-own-starts.png")))
        return fail("the rows' own starts were not shown");

    // The Sound group, as the voice-prompt preset fills it, in a taller window.
    QObject *form = driver.view()->property("form").value<QObject *>();
    QVariantMap voice;
    for (const QVariant &preset : core.bridge()->rules()->presets()) {
        if (preset.toMap()
                .value(QStringLiteral("name"))
                .toString()
                .startsWith(QStringLiteral("Voice prompt")))
            voice = preset.toMap();
    }
    if (!form || voice.isEmpty() ||
        !QMetaObject::invokeMethod(form, "applyPreset", Q_ARG(QVariantMap, voice)))
        return fail("cannot apply the voice-prompt preset");
    driver.window()->resize(960, 860);
    if (!save(driver, outFolder, QStringLiteral("16-sound.png")))
        return false;
    driver.window()->resize(960, 640);

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
    if (!save(driver, outFolder, QStringLiteral("13-presets.png")))
        return false;
    // Hidden, so that the next scenes find their own window.
    driver.window()->close();
    return true;
}

// The files added and the run done, at the smallest size the window is made
// to read at and at a large one, in the language that is installed; names
// end in the size and `language` ("02-inputs-800x600-de.png").
bool sizeScenes(const QString &outFolder, const QDir &root, const QString &language)
{
    freshSettings(root, QStringLiteral("config-sizes") + language);
    // Files of its own: the first scenes leave outputs beside theirs.
    const QString tag = language.isEmpty() ? QStringLiteral("-en") : language;
    const QString in = root.filePath(QStringLiteral("Voice prompts") + tag);
    const QString outputs = root.filePath(QStringLiteral("Slots") + tag);
    root.mkpath(outputs);
    if (!makeDemoFiles(in))
        return false;
    Core core(nullptr);
    WindowDriver driver;
    if (!driver.attach())
        return fail("no window");
    const QList<QSize> sizes{{800, 600}, {1280, 800}};
    const auto saveAtEachSize = [&](const QString &stem) {
        for (const QSize &size : sizes) {
            driver.window()->resize(size);
            const QString name = QStringLiteral("%1-%2x%3%4.png")
                                     .arg(stem)
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(language);
            if (!save(driver, outFolder, name))
                return false;
        }
        return true;
    };
    driver.window()->resize(sizes.first());
    if (!QTest::qWaitForWindowExposed(driver.window()))
        return fail("the window did not show");
    QTest::qWait(300);
    if (!driver.drop({in}))
        return fail("the window took no drop");
    if (!driver.waitForInputs(18))
        return fail("the drop did not add the demo files");
    // Typed as a person of that language types a number.
    const QList<QPair<QString, QString>> fields{
        {QStringLiteral("rateBox"), QStringLiteral("16000")},
        {QStringLiteral("channelsBox"), QStringLiteral("1")},
        {QStringLiteral("durationField"), QLocale().toString(2.5)},
        {QStringLiteral("fadeField"), QStringLiteral("30")},
        {QStringLiteral("folderField"), outputs},
        {QStringLiteral("suffixField"), QStringLiteral("_slot")}};
    bool filled = driver.click(QStringLiteral("durationRadio"));
    for (const auto &field : fields) {
        if (!driver.type(field.first, field.second)) {
            std::fprintf(stderr, "screenshots: %s says %s\n", qPrintable(field.first),
                         qPrintable(driver.text(field.first)));
            filled = false;
        }
    }
    if (!filled && save(driver, outFolder, QStringLiteral("debug.png")))
        return fail("cannot fill the form");
    driver.view()->forceActiveFocus();
    QObject *planner = driver.view()->property("planner").value<QObject *>();
    if (!planner ||
        !QTest::qWaitFor([planner] { return planner->property("current").toBool(); }, 10000))
        return fail("the form was not planned");
    if (!saveAtEachSize(QStringLiteral("02-inputs")))
        return false;
    QSignalSpy wait(core.bridge(), SIGNAL(sgWait(bool)));
    driver.pressEnter();
    if (wait.count() != 1)
        return fail("Enter did not start a conversion");
    if (wait.count() < 2 && !wait.wait(300000))
        return fail("the conversion did not end");
    if (!saveAtEachSize(QStringLiteral("04-done")))
        return false;
    if (language.isEmpty()) {
        // A desktop where nothing opens folders: the window says where the files are.
        core.bridge()->setFolderOpener([](const QUrl &) { return false; });
        driver.window()->resize(960, 640);
        if (!driver.click(QStringLiteral("openFolderButton")) ||
            !save(driver, outFolder, QStringLiteral("17-no-file-manager.png")))
            return false;
    }
    driver.window()->close();
    return true;
}

// Puts the window's words in German from here on.
bool speakGerman()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return installTranslations(*QCoreApplication::instance(), QLocale(),
                               {QStringLiteral(SABLETIDE_TRANSLATIONS_DIR)}) > 0 ||
           fail("no German translation in " SABLETIDE_TRANSLATIONS_DIR);
}

bool run(const QString &outFolder)
{
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/sabletide-demo-XXXXXX"));
    const QDir root(scratch.path());
    sox::Session soxSession;
    registerWindowTypes();
    return batchScenes(outFolder, root) && slotScenes(outFolder, root) &&
           sizeScenes(outFolder, root, QString()) && speakGerman() &&
           sizeScenes(outFolder, root, QStringLiteral("-de"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The first scenes end by closing their window; the program goes on.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationName(QStringLiteral("SabletideScreenshots"));
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: window_screenshots OUTPUT_FOLDER [NAME_ENDING]\n");
        return 2;
    }
    if (argc == 3)
        nameEnding = QString::fromLocal8Bit(argv[2]);
    return run(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}

// The real window (the qml/ files beside this test) over the real controller
// and engine: drop a folder, fill the form with the keyboard, press Enter, and
// check the files that come out with readers that are not our own writer.
#include "app/core.h"
#include "bridge/data.h"
#include "bridge/windowtypes.h"
#include "convert/soxhandles.h"
#include "testutil.h"
#include "windowdriver.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QPushButton>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using testutil::makeAudio;
using testutil::pythonWave;
using testutil::soxi;

class TestWindowEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void convertsTwoDroppedFiles();
    void showsAFailureAmongSuccesses();
    void asksBeforeReplacing();
    void pickersTakeTheSelectedFolder_data();
    void pickersTakeTheSelectedFolder();
    void remembersTheFormNextTime();
    void cleanupTestCase();

private:
    // Runs one conversion from the keyboard and waits for its end.
    bool convertAndWait(QSignalSpy &wait);

    QTemporaryDir scratch;
    sox::Session soxSession;
    std::unique_ptr<Core> core;
    WindowDriver driver;
};

void TestWindowEndToEnd::initTestCase()
{
    QVERIFY(scratch.isValid());
    // The window's Settings write here, never into the user's own.
    QStandardPaths::setTestModeEnabled(true);
    const QString config = scratch.filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QCoreApplication::setOrganizationName(QStringLiteral("OrvaneTest"));
    QCoreApplication::setApplicationName(QStringLiteral("SabletideEndToEnd"));
    QGuiApplication::setQuitOnLastWindowClosed(false);

    QVERIFY2(QFile::exists(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/ConverterView.qml")),
             "the real window document must lie beside this test");
    registerWindowTypes();
    core = std::make_unique<Core>(nullptr);
    QVERIFY(core->bridge()->isLoaded());
    QVERIFY(driver.attach());
}

bool TestWindowEndToEnd::convertAndWait(QSignalSpy &wait)
{
    driver.pressEnter();
    // sgWait(true) comes inside the call, sgWait(false) at the end.
    if (wait.count() < 1)
        return false;
    return wait.count() >= 2 || wait.wait(120000);
}

void TestWindowEndToEnd::convertsTwoDroppedFiles()
{
    QDir root(scratch.path());
    QVERIFY(root.mkpath(QStringLiteral("in")));
    QVERIFY(makeAudio(root.filePath(QStringLiteral("in/tone.flac")), 44100, 2, 16, 1.0));
    QVERIFY(makeAudio(root.filePath(QStringLiteral("in/noise.wav")), 22050, 1, 24, 0.5, true));

    QVERIFY(driver.drop({root.filePath(QStringLiteral("in"))}));
    QVERIFY(driver.waitForInputs(2));
    QCOMPARE(driver.input(0, QStringLiteral("name")).toString(), QStringLiteral("noise.wav"));
    QCOMPARE(driver.input(1, QStringLiteral("name")).toString(), QStringLiteral("tone.flac"));

    // 8000 Hz mono 16-bit: 3,000 frames of 2 bytes behind the header.
    QVERIFY(driver.type(QStringLiteral("rateBox"), QStringLiteral("8000")));
    QVERIFY(driver.type(QStringLiteral("channelsBox"), QStringLiteral("1")));
    QVERIFY(driver.choose(QStringLiteral("bitsBox"), 1));
    QVERIFY(driver.choose(QStringLiteral("unitBox"), 0));
    QVERIFY(driver.type(QStringLiteral("sizeField"), QStringLiteral("6044")));
    QVERIFY(driver.type(QStringLiteral("folderField"), root.filePath(QStringLiteral("out"))));
    QVERIFY(driver.type(QStringLiteral("suffixField"), QStringLiteral("_slot")));
    QCOMPARE(driver.text(QStringLiteral("previewLabel")),
             QStringLiteral("The first file will be saved as ") +
                 root.filePath(QStringLiteral("out/noise_slot.wav")));
    QVERIFY(driver.control(QStringLiteral("convertButton"))->property("enabled").toBool());

    Data *bridge = core->bridge();
    QSignalSpy wait(bridge, SIGNAL(sgWait(bool)));
    QSignalSpy ready(bridge, SIGNAL(sgResampReady(QString)));
    QSignalSpy failed(bridge, SIGNAL(sgResampFailed(QString, QString)));
    // The output folder is not there yet: the window offers to make it, and
    // sends nothing before the answer.
    driver.pressEnter();
    QObject *prompt = driver.control(QStringLiteral("folderPrompt"));
    QVERIFY(prompt);
    QTRY_VERIFY(prompt->property("opened").toBool());
    QCOMPARE(wait.count(), 0);
    QVERIFY(driver.click(QStringLiteral("makeFolderButton")));
    QVERIFY(QFileInfo(root.filePath(QStringLiteral("out"))).isDir());
    QVERIFY(wait.count() >= 2 || wait.wait(120000));

    QCOMPARE(wait.count(), 2);
    QCOMPARE(wait.at(0).at(0).toBool(), true);
    QCOMPARE(wait.at(1).at(0).toBool(), false);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(ready.count(), 2);
    QCOMPARE(ready.at(0).at(0).toString(), root.filePath(QStringLiteral("in/noise.wav")));
    QCOMPARE(ready.at(1).at(0).toString(), root.filePath(QStringLiteral("in/tone.flac")));

    QTRY_COMPARE(driver.text(QStringLiteral("summaryLabel")), QStringLiteral("Done: 2 converted"));
    QCOMPARE(driver.window()->title(), QStringLiteral("Sabletide \u2014 Done: 2 converted"));
    QCOMPARE(driver.input(0, QStringLiteral("status")).toString(), QStringLiteral("converted"));
    QCOMPARE(driver.input(1, QStringLiteral("status")).toString(), QStringLiteral("converted"));

    for (const char *name : {"out/noise_slot.wav", "out/tone_slot.wav"}) {
        const QString out = root.filePath(QLatin1String(name));
        QCOMPARE(QFileInfo(out).size(), qint64(6044));
        QCOMPARE(soxi(out, QStringLiteral("-r")), QStringLiteral("8000"));
        QCOMPARE(soxi(out, QStringLiteral("-c")), QStringLiteral("1"));
        QCOMPARE(soxi(out, QStringLiteral("-b")), QStringLiteral("16"));
        QString format;
        QVERIFY(pythonWave(out, &format));
        QCOMPARE(format, QStringLiteral("8000 1 2 3000"));
    }
    // The inputs are as they were.
    QCOMPARE(soxi(root.filePath(QStringLiteral("in/tone.flac")), QStringLiteral("-r")),
             QStringLiteral("44100"));
}

void TestWindowEndToEnd::showsAFailureAmongSuccesses()
{
    QDir root(scratch.path());
    QVERIFY(root.mkpath(QStringLiteral("mixed")));
    QVERIFY(makeAudio(root.filePath(QStringLiteral("mixed/good.ogg")), 48000, 2, 16, 0.5));
    {
        QFile text(root.filePath(QStringLiteral("mixed/broken.wav")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is not a sound\n");
    }
    QVERIFY(driver.click(QStringLiteral("clearButton")));
    QCOMPARE(driver.inputCount(), 0);
    QVERIFY(driver.drop({root.filePath(QStringLiteral("mixed/broken.wav")),
                         root.filePath(QStringLiteral("mixed/good.ogg"))}));
    QVERIFY(driver.waitForInputs(2));

    // The whole sound, 8-bit: WAV's 8-bit samples are unsigned.
    QVERIFY(driver.choose(QStringLiteral("bitsBox"), 0));
    QVERIFY(driver.type(QStringLiteral("sizeField"), QStringLiteral("0")));
    QVERIFY(driver.type(QStringLiteral("suffixField"), QStringLiteral("_8bit")));

    Data *bridge = core->bridge();
    QSignalSpy wait(bridge, SIGNAL(sgWait(bool)));
    QSignalSpy ready(bridge, SIGNAL(sgResampReady(QString)));
    QSignalSpy failed(bridge, SIGNAL(sgResampFailed(QString, QString)));
    QVERIFY(convertAndWait(wait));
    QCOMPARE(wait.count(), 2);
    QCOMPARE(ready.count(), 1);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), root.filePath(QStringLiteral("mixed/broken.wav")));

    QTRY_COMPARE(driver.text(QStringLiteral("summaryLabel")),
                 QStringLiteral("Done: 1 converted, 1 failed"));
    QCOMPARE(driver.input(0, QStringLiteral("status")).toString(), QStringLiteral("failed"));
    QVERIFY(!driver.input(0, QStringLiteral("reason")).toString().isEmpty());
    QCOMPARE(driver.input(1, QStringLiteral("status")).toString(), QStringLiteral("converted"));

    QVERIFY(!QFile::exists(root.filePath(QStringLiteral("out/broken_8bit.wav"))));
    const QString out = root.filePath(QStringLiteral("out/good_8bit.wav"));
    QCOMPARE(soxi(out, QStringLiteral("-e")), QStringLiteral("Unsigned Integer PCM"));
    QString format;
    QVERIFY(pythonWave(out, &format));
    QCOMPARE(format, QStringLiteral("8000 1 1 4000"));
    QCOMPARE(QFileInfo(out).size(), qint64(44 + 4000));
}

// The same run again finds its output in place, and asks before touching it.
void TestWindowEndToEnd::asksBeforeReplacing()
{
    Data *bridge = core->bridge();
    QSignalSpy with(bridge, SIGNAL(sgConvertOptions(QString, QVariantMap)));
    QSignalSpy wait(bridge, SIGNAL(sgWait(bool)));
    driver.pressEnter();
    QObject *prompt = driver.control(QStringLiteral("existingPrompt"));
    QVERIFY(prompt);
    QTRY_VERIFY(prompt->property("opened").toBool());
    QCOMPARE(driver.text(QStringLiteral("existingText")),
             QStringLiteral("Converting would write over good_8bit.wav in %1/.")
                 .arg(QDir(scratch.path()).filePath(QStringLiteral("out"))));
    QCOMPARE(with.count(), 0);
    QVERIFY(driver.click(QStringLiteral("skipButton")));
    QCOMPARE(with.count(), 1);
    QCOMPARE(with.at(0).at(1).toMap().value(QStringLiteral("existing")).toString(),
             QStringLiteral("skip"));
    QVERIFY(with.at(0).at(0).toString().startsWith(QStringLiteral("$DoConvert,8000,1,8,0,")));
    // Whether the controller runs it yet or not, let any run end here.
    if (wait.count() > 0)
        QVERIFY(wait.count() >= 2 || wait.wait(120000));
}

void TestWindowEndToEnd::pickersTakeTheSelectedFolder_data()
{
    QTest::addColumn<QString>("button");
    // The view's property that records the folder taken.
    QTest::addColumn<QByteArray>("property");

    QTest::newRow("Add folder") << QStringLiteral("addFolderButton") << QByteArray("inputFolder");
    QTest::newRow("output folder")
        << QStringLiteral("chooseFolderButton") << QByteArray("folderText");
}

// A folder selected with one click and taken with the dialog's button is the
// one meant, not the folder the dialog shows it in.
void TestWindowEndToEnd::pickersTakeTheSelectedFolder()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, property);

    QDir root(scratch.path());
    QVERIFY(root.mkpath(QStringLiteral("picking/chosen")));
    const QString chosen = root.filePath(QStringLiteral("picking/chosen"));
    const QString input = chosen + QStringLiteral("/picked.wav");
    if (!QFileInfo::exists(input))
        QVERIFY(makeAudio(input, 8000, 1, 16, 0.1));
    const int inputs = driver.inputCount();
    const QString folderText = driver.text(QStringLiteral("folderField"));

    QVERIFY(driver.click(button));
    // Without a platform's own dialog, Qt shows its widget one.
    const auto shownDialog = [] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(w); dialog && dialog->isVisible())
                return dialog;
        }
        return static_cast<QFileDialog *>(nullptr);
    };
    QTRY_VERIFY(shownDialog());
    QFileDialog *dialog = shownDialog();
    dialog->setDirectory(root.filePath(QStringLiteral("picking")));
    // One click on the folder in the list, as a person selects it.
    auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
    QVERIFY(list);
    const auto row = [list] {
        const QModelIndex parent = list->rootIndex();
        for (int i = 0; i < list->model()->rowCount(parent); ++i) {
            const QModelIndex index = list->model()->index(i, 0, parent);
            if (index.data().toString() == QLatin1String("chosen"))
                return index;
        }
        return QModelIndex();
    };
    QTRY_VERIFY(row().isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row()).center());
    QVERIFY(list->selectionModel()->isSelected(row()));
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    QPushButton *choose = buttons->button(QDialogButtonBox::Open);
    QVERIFY(choose);
    QTRY_VERIFY(choose->isEnabled());
    QTest::mouseClick(choose, Qt::LeftButton);
    QTRY_VERIFY(!dialog->isVisible());

    QTRY_COMPARE(driver.view()->property(property.constData()).toString(),
                 chosen + QLatin1Char('/'));
    if (property == "inputFolder") {
        QVERIFY(driver.waitForInputs(inputs + 1));
        QCOMPARE(driver.input(inputs, QStringLiteral("path")).toString(), input);
    }
    // The later tests' form, as it was.
    driver.view()->setProperty("folderText", folderText);
}

// The form comes back in a window opened later with the same settings.
void TestWindowEndToEnd::remembersTheFormNextTime()
{
    // Pad is on by default; these differ from every default.
    driver.view()->setProperty("padChecked", false);
    driver.view()->setProperty("fadeText", QStringLiteral("15"));
    driver.view()->setProperty("startText", QStringLiteral("0.5"));
    driver.view()->setProperty("jobs", 2);
    driver.window()->close();
    QSettings settings;
    settings.beginGroup(QStringLiteral("window"));
    QCOMPARE(settings.value(QStringLiteral("rate")).toString(), QStringLiteral("8000"));
    QCOMPARE(settings.value(QStringLiteral("suffix")).toString(), QStringLiteral("_8bit"));
    QCOMPARE(settings.value(QStringLiteral("existing")).toString(), QStringLiteral("skip"));
    QCOMPARE(settings.value(QStringLiteral("width")).toInt(), driver.window()->width());
    QCOMPARE(settings.value(QStringLiteral("maximized")).toBool(), false);
    // As if last used on a far larger monitor, right of this screen.
    settings.setValue(QStringLiteral("x"), 5000);
    settings.setValue(QStringLiteral("y"), 100);
    settings.setValue(QStringLiteral("width"), 3160);
    settings.setValue(QStringLiteral("height"), 1920);
    settings.sync();

    // A second controller loads a second window, as a new start would.
    Core again(nullptr);
    WindowDriver next;
    QVERIFY(next.attach());
    QVERIFY(next.window() != driver.window());
    // It opens wholly on the screen there is, frame included.
    const QRect screen = next.window()->screen()->availableGeometry();
    const QRect opened = next.window()->frameGeometry();
    QVERIFY2(screen.contains(opened), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                     .arg(opened.x())
                                                     .arg(opened.y())
                                                     .arg(opened.width())
                                                     .arg(opened.height())));
    QCOMPARE(next.control(QStringLiteral("rateBox"))->property("editText").toString(),
             QStringLiteral("8000"));
    QCOMPARE(next.control(QStringLiteral("channelsBox"))->property("editText").toString(),
             QStringLiteral("1"));
    QCOMPARE(next.control(QStringLiteral("bitsBox"))->property("currentIndex").toInt(), 0);
    QCOMPARE(next.text(QStringLiteral("sizeField")), QStringLiteral("0"));
    QCOMPARE(next.text(QStringLiteral("folderField")),
             QDir(scratch.path()).filePath(QStringLiteral("out")));
    QCOMPARE(next.text(QStringLiteral("suffixField")), QStringLiteral("_8bit"));
    QCOMPARE(next.control(QStringLiteral("padBox"))->property("checked").toBool(), false);
    QCOMPARE(next.text(QStringLiteral("fadeField")), QStringLiteral("15"));
    // A start belongs to the batch it was given for, never to the next session.
    QCOMPARE(next.text(QStringLiteral("startField")), QString());
    QCOMPARE(next.control(QStringLiteral("jobsBox"))->property("currentText").toString(),
             QStringLiteral("2"));
    next.window()->close();
}

void TestWindowEndToEnd::cleanupTestCase()
{
    core.reset();
}

QTEST_MAIN(TestWindowEndToEnd)

#include "tst_window_e2e.moc"

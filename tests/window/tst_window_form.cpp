// The form object on its own: what it remembers between sessions in any
// language, a size carried into another unit, same-named inputs left to the
// engine's plan, the totals that ask before a large run, presets, and the
// sound options it sends.
#include "bridge/form.h"
#include "bridge/rules.h"
#include "convert/batch.h"
#include "convert/command.h"
#include "convert/plan.h"
#include "testutil.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void useLocale(const QString &name)
{
    QLocale::setDefault(name == QLatin1String("de")
                            ? QLocale(QLocale::German, QLocale::Germany)
                            : QLocale(QLocale::English, QLocale::UnitedStates));
}

// Types `fields` into `form` by property name; the unit first, so that the
// size typed after it is in that unit.
void type(Form *form, const QVariantMap &fields)
{
    if (fields.contains(QStringLiteral("sizeUnit")))
        QVERIFY(form->setProperty("sizeUnit", fields.value(QStringLiteral("sizeUnit"))));
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        QVERIFY2(form->setProperty(it.key().toUtf8().constData(), it.value()),
                 qPrintable(it.key()));
}

QVariantMap typed(std::initializer_list<std::pair<QString, QVariant>> changes)
{
    QVariantMap f{{QStringLiteral("rateText"), QStringLiteral("48000")},
                  {QStringLiteral("channelsText"), QStringLiteral("1")},
                  {QStringLiteral("sizeText"), QStringLiteral("65580")},
                  {QStringLiteral("folderText"), QStringLiteral("/o/")},
                  {QStringLiteral("suffix"), QStringLiteral("_x")},
                  {QStringLiteral("inputs"), QStringList{QStringLiteral("/in/a.wav")}}};
    for (const auto &c : changes)
        f.insert(c.first, c.second);
    return f;
}

} // namespace

class TestFormObject : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void roundTrip_data();
    void roundTrip();
    void restoreKeeps_data();
    void restoreKeeps();
    void unitChange_data();
    void unitChange();
    void sameNames_data();
    void sameNames();
    void totals_data();
    void totals();
    void presets_data();
    void presets();
    void sound_data();
    void sound();
};

void TestFormObject::roundTrip_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QVariantMap>("fields");
    // What values() keeps of them, and how the reader's form shows it.
    QTest::addColumn<QVariantMap>("kept");
    QTest::addColumn<QVariantMap>("shown");

    QTest::newRow("German read in English")
        << "de"
        << "en"
        << typed({{"rateText", "48.000"},
                  {"bits", 24},
                  {"sizeText", "1,5"},
                  {"sizeUnit", 1},
                  {"fadeText", "1.000"},
                  {"startText", "0:01,250"},
                  {"normalize", 2},
                  {"loudnessText", "−"
                                   "16,5"},
                  {"together", true},
                  {"dither", true},
                  {"quality", 4}})
        << QVariantMap{{"rate", "48000"},         {"size", "1.5"},
                       {"sizeUnit", 1},           {"fadeOutMs", "1000"},
                       {"bitsIndex", 2},          {"normalize", "loudness"},
                       {"loudnessLufs", "-16.5"}, {"quality", "very-high"}}
        << QVariantMap{{"rateText", "48000"}, {"sizeText", "1.5"},       {"fadeText", "1000"},
                       {"startText", ""},     {"loudnessText", "-16.5"}, {"together", true},
                       {"dither", true}};
    QTest::newRow("English read in German")
        << "en"
        << "de"
        << typed({{"rateText", "44,100"},
                  {"sizeText", "2.5"},
                  {"sizeUnit", 2},
                  {"durationText", "1:30.5"},
                  {"padChecked", false},
                  {"normalize", 1},
                  {"peakText", "-0.25"},
                  {"guard", true},
                  {"trimChecked", true},
                  {"trimText", "-50.5"}})
        << QVariantMap{{"rate", "44100"}, {"size", "2.5"},       {"duration", "1:30.5"},
                       {"pad", false},    {"normalize", "peak"}, {"peakDbfs", "-0.25"},
                       {"guard", true},   {"trimStart", true},   {"trimStartDbfs", "-50.5"}}
        << QVariantMap{{"rateText", "44100"}, {"sizeText", "2,5"},   {"durationText", "1:30,5"},
                       {"padChecked", false}, {"peakText", "-0,25"}, {"trimText", "-50,5"}};
    QTest::newRow("a duration, German both times")
        << "de"
        << "de" << typed({{"durationMode", true}, {"durationText", "0,25"}, {"suffix", ""}})
        << QVariantMap{{"durationMode", true}, {"duration", "0.25"}, {"suffix", ""}}
        << QVariantMap{{"durationMode", true}, {"durationText", "0,25"}};
    // 1.125 MiB must not read as the 1125 that an older German session meant.
    QTest::newRow("three decimals kept apart from grouping")
        << "en"
        << "de" << typed({{"sizeText", "1.125"}, {"sizeUnit", 2}})
        << QVariantMap{{"size", "1.1250"}} << QVariantMap{{"sizeText", "1,1250"}};
}

void TestFormObject::roundTrip()
{
    QFETCH(QString, writer);
    QFETCH(QString, reader);
    QFETCH(QVariantMap, fields);
    QFETCH(QVariantMap, kept);
    QFETCH(QVariantMap, shown);

    useLocale(writer);
    Form written;
    type(&written, fields);
    QVERIFY2(written.plan().value("ok").toBool(),
             qPrintable(written.plan().value("reason").toString()));
    const QVariantMap values = written.values();
    QVERIFY(!values.contains("start"));
    for (auto it = kept.constBegin(); it != kept.constEnd(); ++it)
        QCOMPARE(values.value(it.key()), it.value());

    useLocale(reader);
    Form read;
    read.setInputs(written.inputs());
    read.restore(values);
    for (auto it = shown.constBegin(); it != shown.constEnd(); ++it)
        QCOMPARE(read.property(it.key().toUtf8().constData()), it.value());
    QCOMPARE(read.plan(), written.plan());
    QCOMPARE(read.size(), written.size());
    QVariantMap options = written.options();
    options.insert("start", QString());
    QCOMPARE(read.options(), options);
    QCOMPARE(read.values(), values);
}

void TestFormObject::restoreKeeps_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("field");

    QTest::newRow("an old German rate in English") << "en"
                                                   << "rate" << QVariant("48.000") << "rateText";
    QTest::newRow("an old German rate in German") << "de"
                                                  << "rate" << QVariant("48.000") << "rateText";
    QTest::newRow("an old German size") << "en"
                                        << "size" << QVariant("72.044") << "sizeText";
    QTest::newRow("an old English size") << "de"
                                         << "size" << QVariant("65,580") << "sizeText";
    QTest::newRow("an old decimal comma") << "de"
                                          << "duration" << QVariant("2,5") << "durationText";
    QTest::newRow("a fade in words") << "en"
                                     << "fadeOutMs" << QVariant("none") << "fadeText";
    QTest::newRow("the start is the batch's") << "en"
                                              << "start" << QVariant("25:00") << "startText";
    QTest::newRow("no such unit") << "en"
                                  << "sizeUnit" << QVariant("7") << "sizeUnit";
    QTest::newRow("no such depth") << "en"
                                   << "bitsIndex" << QVariant(-1) << "bits";
    QTest::newRow("a switch in words") << "en"
                                       << "pad" << QVariant("yes") << "padChecked";
}

void TestFormObject::restoreKeeps()
{
    QFETCH(QString, reader);
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    QFETCH(QString, field);

    useLocale(reader);
    Form form;
    type(&form, typed({{"durationText", "3"},
                       {"startText", "1"},
                       {"padChecked", false},
                       {"fadeText", "20"},
                       {"sizeUnit", 1}}));
    const QVariant before = form.property(field.toUtf8().constData());
    QSignalSpy changed(&form, &Form::planChanged);
    form.restore({{key, stored}});
    QCOMPARE(form.property(field.toUtf8().constData()), before);
    QCOMPARE(changed.count(), 0);
}

void TestFormObject::unitChange_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("want");
    // The size in bytes afterwards, the same as before; -1: refused.
    QTest::addColumn<double>("bytes");

    QTest::newRow("64 KiB") << "en" << 0 << "65536" << 1 << "64" << 65536.0;
    QTest::newRow("65580 bytes in KiB") << "en" << 0 << "65580" << 1 << "64.04296875" << 65580.0;
    QTest::newRow("in German") << "de" << 0 << "65.580" << 1 << "64,04296875" << 65580.0;
    QTest::newRow("KiB to bytes") << "de" << 1 << "1,5" << 0 << "1536" << 1536.0;
    QTest::newRow("MiB to KiB") << "en" << 2 << "1.5" << 1 << "1536" << 1572864.0;
    QTest::newRow("bytes to MiB") << "en" << 0 << "1,572,864" << 2 << "1.5" << 1572864.0;
    QTest::newRow("zero") << "en" << 0 << "0" << 2 << "0" << 0.0;
    // No decimal of at most nine places makes it: the engine says why.
    QTest::newRow("odd bytes in KiB") << "en" << 0 << "65581" << 1 << "64.0439453125" << -1.0;
    QTest::newRow("no size stays as typed") << "en" << 0 << "lots" << 1 << "lots" << -1.0;
}

void TestFormObject::unitChange()
{
    QFETCH(QString, locale);
    QFETCH(int, from);
    QFETCH(QString, text);
    QFETCH(int, to);
    QFETCH(QString, want);
    QFETCH(double, bytes);

    useLocale(locale);
    Form form;
    type(&form, typed({{"sizeUnit", from}, {"sizeText", text}, {"channelsText", "2"}}));
    const QVariantMap before = form.size();
    QSignalSpy unitChanged(&form, &Form::sizeUnitChanged);
    QSignalSpy textChanged(&form, &Form::sizeTextChanged);
    QSignalSpy sizeChanged(&form, &Form::sizeChanged);
    QSignalSpy layoutChanged(&form, &Form::layoutChanged);
    QSignalSpy planChanged(&form, &Form::planChanged);
    form.setSizeUnit(to);
    QCOMPARE(form.sizeUnit(), to);
    QCOMPARE(form.sizeText(), want);
    QCOMPARE(unitChanged.count(), 1);
    QCOMPARE(textChanged.count(), want == text ? 0 : 1);
    if (bytes >= 0) {
        QCOMPARE(form.size().value("value").toDouble(), bytes);
        QCOMPARE(form.size(), before);
        QCOMPARE(sizeChanged.count(), 0);
        QCOMPARE(layoutChanged.count(), 0);
        QCOMPARE(planChanged.count(), 0);
    } else {
        QVERIFY(!form.size().value("ok").toBool());
    }
}

void TestFormObject::sameNames_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    // The rows that the engine's plan refuses, each with its reason.
    QTest::addColumn<QList<int>>("refused");

    QTest::newRow("one name from two folders") << QStringList{"a/kick.wav", "b/kick.wav"} << "out"
                                               << "_studio" << QList<int>{1};
    QTest::newRow("written over itself") << QStringList{"a/kick.wav", "b/snare.wav"} << "a"
                                         << "" << QList<int>{0};
    QTest::newRow("written over another input") << QStringList{"a/kick.aiff", "b/kick.wav"} << "b"
                                                << "" << QList<int>{0, 1};
}

void TestFormObject::sameNames()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    QFETCH(QList<int>, refused);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("out"));
    QStringList paths;
    for (const QString &input : inputs) {
        paths << dir.filePath(input);
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(input).path()));
        QVERIFY(testutil::makeAudio(paths.last(), 8000, 1, 16, 0.1));
    }
    Form form;
    type(&form, typed({{"rateText", "8000"},
                       {"sizeText", "0"},
                       {"inputs", paths},
                       {"folderText", dir.filePath(folder)},
                       {"suffix", suffix}}));
    QVERIFY2(form.plan().value("ok").toBool(), qPrintable(form.plan().value("reason").toString()));

    ConvertCommand request;
    QString error;
    QVERIFY2(command::parse(form.plan().value("command").toString(), &request, &error),
             qPrintable(error));
    const Plan plan = makePlan(request);
    QCOMPARE(plan.rows.size(), inputs.size());
    for (const PlanRow &row : plan.rows) {
        const bool refuse = refused.contains(row.index);
        QCOMPARE(row.status == PlanRow::Status::Refused, refuse);
        QCOMPARE(row.reason.isEmpty(), !refuse);
    }
}

void TestFormObject::totals_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("files");
    QTest::addColumn<double>("total");
    QTest::addColumn<bool>("large");
    QTest::addColumn<QString>("text");

    QTest::newRow("45 slots of 64 MiB")
        << "64" << 2 << 45 << 3019898880.0 << true << "45 files of 64.0 MiB: 2.81 GiB in all.";
    QTest::newRow("1 GiB is not over")
        << "64" << 2 << 16 << 1073741824.0 << false << "16 files of 64.0 MiB: 1.00 GiB in all.";
    QTest::newRow("a byte over") << "67108865" << 0 << 16 << 1073741840.0 << true
                                 << "16 files of 64.0 MiB: 1.00 GiB in all.";
    QTest::newRow("one file") << "65580" << 0 << 1 << 65580.0 << false
                              << "1 file of 64.0 KiB: 64.0 KiB in all.";
    QTest::newRow("the whole sound has no total") << "0" << 0 << 45 << 0.0 << false << "";
    QTest::newRow("a refused size has none") << "44" << 0 << 45 << 0.0 << false << "";
}

void TestFormObject::totals()
{
    QFETCH(QString, size);
    QFETCH(int, unit);
    QFETCH(int, files);
    QFETCH(double, total);
    QFETCH(bool, large);
    QFETCH(QString, text);

    useLocale("en");
    Form form;
    type(&form, typed({{"sizeUnit", unit}, {"sizeText", size}, {"inputs", QStringList()}}));
    QStringList inputs;
    for (int i = 0; i < files; ++i)
        inputs << QStringLiteral("/in/%1.wav").arg(i);
    QSignalSpy totalChanged(&form, &Form::totalBytesChanged);
    QSignalSpy largeChanged(&form, &Form::largeChanged);
    form.setInputs(inputs);
    QCOMPARE(form.totalBytes(), total);
    QCOMPARE(form.large(), large);
    QCOMPARE(form.largeText(), text);
    QCOMPARE(totalChanged.count(), total > 0 ? 1 : 0);
    QCOMPARE(largeChanged.count(), large ? 1 : 0);
}

void TestFormObject::presets_data()
{
    QTest::addColumn<QVariantMap>("preset");
    for (const QVariant &p : Rules().presets())
        QTest::newRow(qPrintable(p.toMap().value("name").toString())) << p.toMap();
}

void TestFormObject::presets()
{
    QFETCH(QVariantMap, preset);

    useLocale("en");
    Form form;
    type(&form, typed({{"sizeUnit", 2},
                       {"sizeText", "1"},
                       {"durationMode", true},
                       {"durationText", "9"},
                       {"startText", "0.5"}}));
    form.applyPreset(preset);
    QCOMPARE(form.folderText(), QString("/o/"));
    QCOMPARE(form.startText(), QString("0.5"));
    QCOMPARE(form.rateText(), preset.value("rate").toString());
    QCOMPARE(form.channelsText(), preset.value("channels").toString());
    QCOMPARE(form.bits(), preset.value("bits").toInt());
    QCOMPARE(form.durationMode(), preset.value("durationMode").toBool());
    if (form.durationMode()) {
        QCOMPARE(form.durationText(), preset.value("duration").toString());
    } else {
        QCOMPARE(form.sizeUnit(), 0);
        QCOMPARE(form.size().value("value").toString(), preset.value("size").toString());
    }
    QCOMPARE(form.padChecked(), preset.value("pad").toBool());
    QCOMPARE(form.options().value("fadeOutMs"), preset.value("fadeOutMs"));
    const QVariantMap kept = form.values();
    for (const char *key : {"normalize", "together", "guard", "dither", "quality", "trimStart"})
        QCOMPARE(kept.value(key), preset.value(key));
    for (const char *key : {"peakDbfs", "loudnessLufs", "trimStartDbfs"}) {
        if (!preset.value(key).toString().isEmpty())
            QCOMPARE(kept.value(key), preset.value(key));
    }
    QVERIFY2(form.plan().value("ok").toBool(), qPrintable(form.plan().value("reason").toString()));

    // As a whole-frame size button chooses it.
    form.setSizeBytes(65580);
    QVERIFY(!form.durationMode());
    QCOMPARE(form.sizeUnit(), 0);
    QCOMPARE(form.size().value("value").toDouble(), 65580.0);
}

void TestFormObject::sound_data()
{
    QTest::addColumn<QVariantMap>("fields");
    // The options beyond the slot's that the request gets; with a reason, none.
    QTest::addColumn<QVariantMap>("sent");
    QTest::addColumn<QString>("reason");

    const QVariantMap none;
    QTest::newRow("plain") << none << none << "";
    QTest::newRow("a level not asked for is not checked")
        << QVariantMap{{"peakText", "loud"}, {"trimText", "0"}} << none << "";
    QTest::newRow("a loudness leaves out the guard")
        << QVariantMap{{"normalize", 2},
                       {"loudnessText", "-16,5"},
                       {"guard", true},
                       {"together", true},
                       {"dither", true}}
        << QVariantMap{{"loudnessLufs", -16.5}, {"together", true}, {"dither", true}} << "";
    QTest::newRow("a peak in print") << QVariantMap{{"normalize", 1},
                                                    {"peakText", "−"
                                                                 "0,5 dB"}}
                                     << QVariantMap{{"normalizeDbfs", -0.5}} << "";
    QTest::newRow("together needs a level")
        << QVariantMap{{"guard", true},
                       {"together", true},
                       {"quality", 0},
                       {"trimChecked", true},
                       {"trimText", "-60"}}
        << QVariantMap{{"guard", true}, {"quality", "quick"}, {"trimStartDbfs", -60.0}} << "";
    QTest::newRow("too loud") << QVariantMap{{"normalize", 2}, {"loudnessText", "10"}} << none
                              << "The loudness must be from -70 to -5 LUFS, such as -16.";
    QTest::newRow("a peak above full scale")
        << QVariantMap{{"normalize", 1}, {"peakText", "1"}} << none
        << "The peak must be a level from -60 to 0 dBFS, such as -1.";
    QTest::newRow("a trim at full scale")
        << QVariantMap{{"trimChecked", true}, {"trimText", "0"}} << none
        << "The start's level must be below 0 dBFS and no lower than -140, such as -48.";
}

void TestFormObject::sound()
{
    QFETCH(QVariantMap, fields);
    QFETCH(QVariantMap, sent);
    QFETCH(QString, reason);

    useLocale("de");
    Form plain;
    type(&plain, typed({}));
    Form form;
    type(&form, typed({}));
    QSignalSpy optionsChanged(&form, &Form::optionsChanged);
    type(&form, fields);
    QCOMPARE(form.plan().value("ok").toBool(), reason.isEmpty());
    QCOMPARE(form.plan().value("reason").toString(), reason);
    if (!reason.isEmpty())
        return;
    QVariantMap options = plain.options();
    QCOMPARE(options.keys(), (QStringList{"fadeOutMs", "pad", "start"}));
    for (auto it = sent.constBegin(); it != sent.constEnd(); ++it)
        options.insert(it.key(), it.value());
    QCOMPARE(form.options(), options);
    QCOMPARE(optionsChanged.count() > 0, !sent.isEmpty());
    RequestOptions read;
    QString error;
    QVERIFY2(readRequestOptions(form.options(), &read, &error), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestFormObject)
#include "tst_window_form.moc"

// Reading the convert command, and naming each output.
#include "convert/command.h"
#include "testutil.h"

#include <QtTest>

Q_DECLARE_METATYPE(ConvertCommand)

class TestCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseGood_data();
    void parseGood();
    void parseBad_data();
    void parseBad();
    void sizeLine_data();
    void sizeLine();
    void composeRoundTrip();
    void outputPath_data();
    void outputPath();
};

namespace {

ConvertCommand make(quint32 rate, quint8 channels, quint8 bits, quint32 size,
                    const QString &folder = QString(), const QString &suffix = QString(),
                    const QStringList &inputs = {})
{
    ConvertCommand c;
    c.sampleRate = rate;
    c.channels = channels;
    c.bitsPerSample = bits;
    c.fileSize = size;
    c.outputFolder = folder;
    c.suffix = suffix;
    c.inputs = inputs;
    return c;
}

} // namespace

void TestCommand::parseGood_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<ConvertCommand>("expected");

    QTest::newRow("worked example")
        << "$DoConvert,48000,1,24,65580,/srv/audio/out/,_48k,/srv/audio/in/take1.wav,"
           "/srv/audio/in/Room B.WAV,take2.aiff"
        << make(48000, 1, 24, 65580, "/srv/audio/out/", "_48k",
                {"/srv/audio/in/take1.wav", "/srv/audio/in/Room B.WAV", "take2.aiff"});
    QTest::newRow("characters after the tag are ignored")
        << "$DoConvertNow,44100,2,16,0,/o/,,a.flac" << make(44100, 2, 16, 0, "/o/", "", {"a.flac"});
    QTest::newRow("rate 70000 kept whole") << "$DoConvert,70000,2,16,1000,/o/,x,in.wav"
                                           << make(70000, 2, 16, 1000, "/o/", "x", {"in.wav"});
    QTest::newRow("smallest values")
        << "$DoConvert,1,1,0,0,/o/,,a" << make(1, 1, 0, 0, "/o/", "", {"a"});
    QTest::newRow("largest values") << "$DoConvert,768000,255,255,4294967295,/o/,,a"
                                    << make(768000, 255, 255, 0xFFFFFFFFu, "/o/", "", {"a"});
    QTest::newRow("empty parts after position 7 are not inputs")
        << "$DoConvert,96000,6,32,0,/o/,_s,,a.wav,,b.ogg,"
        << make(96000, 6, 32, 0, "/o/", "_s", {"a.wav", "b.ogg"});
    QTest::newRow("no inputs") << "$DoConvert,22050,1,8,45,/o/,_s"
                               << make(22050, 1, 8, 45, "/o/", "_s");
    QTest::newRow("no folder, no suffix, no inputs")
        << "$DoConvert,22050,1,8,45" << make(22050, 1, 8, 45);
    // A command that ends early names nothing to convert; it is not malformed.
    QTest::newRow("tag alone") << "$DoConvert" << make(0, 0, 0, 0);
    QTest::newRow("ends after the rate") << "$DoConvert,44100" << make(44100, 0, 0, 0);
    QTest::newRow("input paths keep spaces and dots")
        << "$DoConvert,8000,1,16,0,out,_8k, spaced name .mp3"
        << make(8000, 1, 16, 0, "out", "_8k", {" spaced name .mp3"});
}

void TestCommand::parseGood()
{
    QFETCH(QString, text);
    QFETCH(ConvertCommand, expected);

    ConvertCommand c;
    c.inputs = QStringList{"left over"};
    QString error;
    QVERIFY2(command::parse(text, &c, &error), qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(c.sampleRate, expected.sampleRate);
    QCOMPARE(c.channels, expected.channels);
    QCOMPARE(c.bitsPerSample, expected.bitsPerSample);
    QCOMPARE(c.fileSize, expected.fileSize);
    QCOMPARE(c.outputFolder, expected.outputFolder);
    QCOMPARE(c.suffix, expected.suffix);
    QCOMPARE(c.inputs, expected.inputs);
}

void TestCommand::parseBad_data()
{
    QTest::addColumn<QString>("text");
    // Words the reason must hold: the position at fault and the value found there.
    QTest::addColumn<QStringList>("reasonHas");

    QTest::newRow("empty") << "" << QStringList{"empty"};
    QTest::newRow("tag in lower case")
        << "$doconvert,48000,1,16,0,/o/,,a.wav" << QStringList{"position 0", "\"$doconvert\""};
    QTest::newRow("space before the tag")
        << " $DoConvert,48000,1,16,0,/o/,,a.wav" << QStringList{"position 0", "\" $DoConvert\""};
    QTest::newRow("text before the tag")
        << "x$DoConvert,48000,1,16,0,/o/,,a.wav" << QStringList{"position 0", "x$DoConvert"};
    QTest::newRow("no tag") << "48000,1,16,0,/o/,,a.wav" << QStringList{"position 0", "48000"};
    QTest::newRow("empty rate") << "$DoConvert,,1,16,0,/o/,,a.wav"
                                << QStringList{"position 1", "\"\""};
    QTest::newRow("rate not a number")
        << "$DoConvert,fast,1,16,0,/o/,,a.wav" << QStringList{"position 1", "fast"};
    QTest::newRow("rate with a fraction")
        << "$DoConvert,44100.5,1,16,0,/o/,,a.wav" << QStringList{"position 1", "44100.5"};
    QTest::newRow("negative rate")
        << "$DoConvert,-48000,1,16,0,/o/,,a.wav" << QStringList{"position 1", "-48000"};
    QTest::newRow("rate 0") << "$DoConvert,0,1,16,0,/o/,,a.wav"
                            << QStringList{"position 1", "not 0"};
    QTest::newRow("rate 768001") << "$DoConvert,768001,1,16,0,/o/,,a.wav"
                                 << QStringList{"position 1", "768001"};
    QTest::newRow("rate beyond 32 bits") << "$DoConvert,4294967296,1,16,0,/o/,,a.wav"
                                         << QStringList{"position 1", "4294967296", "768000"};
    QTest::newRow("channels 0") << "$DoConvert,48000,0,16,0,/o/,,a.wav"
                                << QStringList{"position 2", "not 0"};
    QTest::newRow("channels 256") << "$DoConvert,48000,256,16,0,/o/,,a.wav"
                                  << QStringList{"position 2", "256"};
    QTest::newRow("empty channels")
        << "$DoConvert,48000,,16,0,/o/,,a.wav" << QStringList{"position 2", "\"\""};
    QTest::newRow("bits 256") << "$DoConvert,48000,2,256,0,/o/,,a.wav"
                              << QStringList{"position 3", "256"};
    QTest::newRow("bits in words")
        << "$DoConvert,48000,2,sixteen,0,/o/,,a.wav" << QStringList{"position 3", "sixteen"};
    QTest::newRow("size 4294967296") << "$DoConvert,48000,2,16,4294967296,/o/,,a.wav"
                                     << QStringList{"position 4", "4294967296", "4294967295"};
    QTest::newRow("size with a unit")
        << "$DoConvert,48000,2,16,10MB,/o/,,a.wav" << QStringList{"position 4", "10MB"};
    QTest::newRow("empty size") << "$DoConvert,48000,2,16,,/o/,,a.wav"
                                << QStringList{"position 4", "\"\""};
    QTest::newRow("size with far too many digits")
        << "$DoConvert,48000,2,16,123456789012345678901234567890,/o/,,a.wav"
        << QStringList{"position 4", "123456789012345678901234567890"};
}

void TestCommand::parseBad()
{
    QFETCH(QString, text);
    QFETCH(QStringList, reasonHas);

    const ConvertCommand untouched = make(1234, 3, 16, 99, "/keep/", "_k", {"keep.wav"});
    ConvertCommand c = untouched;
    QString error;
    QVERIFY(!command::parse(text, &c, &error));
    for (const QString &word : reasonHas)
        QVERIFY2(error.contains(word), qPrintable(QString("\"%1\" lacks \"%2\"").arg(error, word)));
    // A refused command leaves the caller's record as it was.
    QCOMPARE(c.sampleRate, untouched.sampleRate);
    QCOMPARE(c.inputs, untouched.inputs);
}

void TestCommand::sizeLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("size read") << "$DoConvert,48000,1,16,1000,/o/,,a.wav"
                               << QStringList{"str \"1000\" 1000"};
    QTest::newRow("size refused still logged with 0")
        << "$DoConvert,48000,1,16,4294967296,/o/,,a.wav" << QStringList{"str \"4294967296\" 0"};
    QTest::newRow("size not a number")
        << "$DoConvert,48000,1,16,big,/o/" << QStringList{"str \"big\" 0"};
    QTest::newRow("stopped before the size")
        << "$DoConvert,0,1,16,1000,/o/,,a.wav" << QStringList{};
    QTest::newRow("empty command") << "" << QStringList{};
}

void TestCommand::sizeLine()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);

    QStringList logged;
    {
        testutil::DebugCapture capture;
        ConvertCommand c;
        QString error;
        command::parse(text, &c, &error);
        logged = capture.lines();
    }
    QCOMPARE(logged, lines);
}

void TestCommand::composeRoundTrip()
{
    const ConvertCommand c = make(88200, 6, 24, 4000000000u, "/out dir/", "_hi",
                                  {"/in/a.flac", "b.ogg", "/in/c d.aiff"});
    const QString text = command::compose(c);
    QVERIFY(text.startsWith(QLatin1String("$DoConvert,88200,6,24,4000000000,/out dir/,_hi,")));
    ConvertCommand back;
    QString error;
    QVERIFY2(command::parse(text, &back, &error), qPrintable(error));
    QCOMPARE(back.sampleRate, c.sampleRate);
    QCOMPARE(back.channels, c.channels);
    QCOMPARE(back.bitsPerSample, c.bitsPerSample);
    QCOMPARE(back.fileSize, c.fileSize);
    QCOMPARE(back.outputFolder, c.outputFolder);
    QCOMPARE(back.suffix, c.suffix);
    QCOMPARE(back.inputs, c.inputs);
}

void TestCommand::outputPath_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected");

    const QString out = QStringLiteral("/srv/audio/out/");
    QTest::newRow("wav takes the suffix") << "/srv/audio/in/take1.wav" << out << "_48k"
                                          << "/srv/audio/out/take1_48k.wav";
    QTest::newRow("WAV takes the suffix, lower-case ending")
        << "/srv/audio/in/Room B.WAV" << out << "_48k"
        << "/srv/audio/out/Room B_48k.wav";
    QTest::newRow("WAV without suffix unchanged") << "/srv/audio/in/Room B.WAV" << out << ""
                                                  << "/srv/audio/out/Room B.WAV";
    QTest::newRow("wav without suffix unchanged") << "/srv/audio/in/take1.wav" << out << ""
                                                  << "/srv/audio/out/take1.wav";
    QTest::newRow("mixed-case Wav") << "/in/a.Wav" << out << "_x"
                                    << "/srv/audio/out/a_x.wav";
    QTest::newRow("aiff becomes wav with suffix") << "take2.aiff" << out << "_48k"
                                                  << "/srv/audio/out/take2_48k.wav";
    QTest::newRow("aiff becomes wav without suffix") << "take2.aiff" << out << ""
                                                     << "/srv/audio/out/take2.wav";
    QTest::newRow("no extension") << "/in/notes" << out << "_48k"
                                  << "/srv/audio/out/notes_48k.wav";
    QTest::newRow("no extension, no suffix") << "/in/notes" << out << ""
                                             << "/srv/audio/out/notes.wav";
    QTest::newRow("only the last extension goes") << "/in/live.2024.flac" << out << "_m"
                                                  << "/srv/audio/out/live.2024_m.wav";
    QTest::newRow("only the final .wav takes the suffix") << "/in/a.wav.wav" << out << "_s"
                                                          << "/srv/audio/out/a.wav_s.wav";
    QTest::newRow(".wav in the middle of a name is not an ending")
        << "/in/x.wav.flac" << out << "_s"
        << "/srv/audio/out/x.wav_s.wav";
    QTest::newRow("dots in the input folder do not count") << "/in/v1.2/track" << out << "_s"
                                                           << "/srv/audio/out/track_s.wav";
    QTest::newRow("folder without trailing slash") << "/in/take1.wav"
                                                   << "/srv/audio/out"
                                                   << "_48k"
                                                   << "/srv/audio/out/take1_48k.wav";
    QTest::newRow("folder named x.wav/ untouched") << "/in/take1.wav"
                                                   << "/tmp/x.wav/"
                                                   << "_48k"
                                                   << "/tmp/x.wav/take1_48k.wav";
    QTest::newRow("folder named x.WAV without slash untouched") << "/in/take2.aiff"
                                                                << "/tmp/x.WAV"
                                                                << "_48k"
                                                                << "/tmp/x.WAV/take2_48k.wav";
    QTest::newRow("input without slash") << "take1.wav" << out << "_48k"
                                         << "/srv/audio/out/take1_48k.wav";
    QTest::newRow("input whose only slash comes first") << "/take1.wav" << out << "_48k"
                                                        << "/srv/audio/out/take1_48k.wav";
    QTest::newRow("relative folder") << "/in/a.ogg"
                                     << "out"
                                     << "_x"
                                     << "out/a_x.wav";
    QTest::newRow("root folder") << "/in/a.ogg"
                                 << "/"
                                 << ""
                                 << "/a.wav";
    // A name that is only ".wav" is a name ending in ".wav" like any other: the
    // suffix goes before it. Other hidden names keep their leading dot, which
    // is not an extension.
    QTest::newRow("hidden .wav with suffix") << "/in/.wav" << out << "_48k"
                                             << "/srv/audio/out/_48k.wav";
    QTest::newRow("hidden .wav without suffix") << "/in/.wav" << out << ""
                                                << "/srv/audio/out/.wav";
    QTest::newRow("hidden .aiff keeps its dot") << "/in/.aiff" << out << "_48k"
                                                << "/srv/audio/out/.aiff_48k.wav";
    QTest::newRow("hidden name with an extension") << "/in/.take.flac" << out << ""
                                                   << "/srv/audio/out/.take.wav";
    QTest::newRow("trailing dot") << "/in/take." << out << "_s"
                                  << "/srv/audio/out/take_s.wav";
}

void TestCommand::outputPath()
{
    QFETCH(QString, input);
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    QCOMPARE(command::outputPath(input, folder, suffix), expected);
}

QTEST_GUILESS_MAIN(TestCommand)
#include "tst_command.moc"
#include "testutil.h"

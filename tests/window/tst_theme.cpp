// The window's colours: every one comes from qml/Theme.qml, which makes them
// from the desktop's palette, and each reads against what it is drawn on
// (WCAG AA, 4.5:1 for words, 3:1 for the focus ring) on a light desktop and
// on dark ones.
#include "bridge/data.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

double luminance(const QColor &c)
{
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QPalette lightPalette()
{
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

QPalette darkPalette(const char *window, const char *base, const char *text, const char *highlight,
                     const char *mid)
{
    QPalette p(QColor(text), QColor(window), QColor(mid).lighter(130), QColor(window).darker(150),
               QColor(mid), QColor(text), QColor(text), QColor(base), QColor(window));
    p.setColor(QPalette::Highlight, QColor(highlight));
    p.setColor(QPalette::HighlightedText, QColor(text));
    return p;
}

// Shades of the window's own, by name in Theme.qml, as a colour string; the
// palette's roles by their QPalette name.
QColor colourOf(QObject *theme, const QPalette &palette, const QString &name)
{
    static const QHash<QString, QPalette::ColorRole> roles{
        {QStringLiteral("text"), QPalette::Text},
        {QStringLiteral("base"), QPalette::Base},
        {QStringLiteral("windowText"), QPalette::WindowText},
        {QStringLiteral("window"), QPalette::Window}};
    if (roles.contains(name))
        return palette.color(QPalette::Active, roles.value(name));
    return theme->property(qPrintable(name)).value<QColor>();
}

QUrl themeUrl()
{
    return QUrl::fromLocalFile(QStringLiteral(SABLETIDE_QML_DIR "/Theme.qml"));
}

} // namespace

class TstTheme : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void noColourOutsideTheTheme_data();
    void noColourOutsideTheTheme();
    void textReads_data();
    void textReads();
};

void TstTheme::initTestCase()
{
    // As the window program chooses it.
    qunsetenv("QT_QUICK_CONTROLS_STYLE");
    Data::chooseControlsStyle();
    // The style hands the window the desktop's palette, not one of its own.
    // It reads the palette once, so the rows below give the theme theirs.
    const QPalette desktop = lightPalette();
    QGuiApplication::setPalette(desktop);
    QQmlEngine engine;
    QQmlComponent component(&engine, themeUrl());
    std::unique_ptr<QObject> theme(component.create());
    QVERIFY2(theme, qPrintable(component.errorString()));
    const QPalette given = theme->property("palette").value<QPalette>();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Text, QPalette::Highlight})
        QCOMPARE(given.color(role), desktop.color(role));
}

void TstTheme::noColourOutsideTheTheme_data()
{
    QTest::addColumn<QString>("path");
    const QDir qml(QStringLiteral(SABLETIDE_QML_DIR));
    const QStringList files =
        qml.entryList({QStringLiteral("*.qml"), QStringLiteral("*.js")}, QDir::Files);
    QVERIFY(files.contains(QStringLiteral("Theme.qml")));
    for (const QString &name : files) {
        if (name != QLatin1String("Theme.qml"))
            QTest::newRow(qPrintable(name)) << qml.filePath(name);
    }
}

// A colour written into any other file would stay the same on a dark
// desktop and a light one.
void TstTheme::noColourOutsideTheTheme()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString source = QString::fromUtf8(file.readAll());

    static const QRegularExpression hex(QStringLiteral("#[0-9A-Fa-f]{3,8}\\b"));
    static const QRegularExpression made(
        QStringLiteral("\\bQt\\.(rgba|hsla|hsva|tint|lighter|darker)\\("));
    static const QRegularExpression quoted(QStringLiteral("\"([A-Za-z]+)\""));
    const QRegularExpressionMatch hexMatch = hex.match(source);
    QVERIFY2(!hexMatch.hasMatch(), qPrintable(hexMatch.captured()));
    const QRegularExpressionMatch madeMatch = made.match(source);
    QVERIFY2(!madeMatch.hasMatch(), qPrintable(madeMatch.captured()));
    const QStringList names = QColor::colorNames();
    for (auto it = quoted.globalMatch(source); it.hasNext();) {
        const QString word = it.next().captured(1);
        QVERIFY2(!names.contains(word.toLower()), qPrintable(word));
    }
}

void TstTheme::textReads_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<QString>("foreground");
    QTest::addColumn<QString>("background");
    // Words need 4.5:1; a frame, such as the focus ring, 3:1.
    QTest::addColumn<double>("least");

    const QList<QPair<const char *, QPalette>> palettes{
        {"light", lightPalette()},
        // qt5ct's "darker" scheme.
        {"dark", darkPalette("#222020", "#3d3d3d", "#ffffff", "#12608a", "#4a4947")},
        // A dark desktop whose selection is bright, as Breeze Dark's.
        {"dark, bright highlight",
         darkPalette("#31363b", "#232629", "#eff0f1", "#3daee9", "#4d5257")}};
    const QList<QPair<const char *, QPair<QString, QString>>> pairs{
        {"hint on the window", {QStringLiteral("hint"), QStringLiteral("window")}},
        {"hint on the list", {QStringLiteral("listHint"), QStringLiteral("base")}},
        {"selected row", {QStringLiteral("text"), QStringLiteral("selection")}},
        {"selected row, list unfocused",
         {QStringLiteral("text"), QStringLiteral("selectionUnfocused")}},
        {"pressed row", {QStringLiteral("text"), QStringLiteral("rowPressed")}},
        {"notice", {QStringLiteral("text"), QStringLiteral("notice")}}};
    for (const auto &palette : palettes) {
        for (const auto &pair : pairs)
            QTest::addRow("%s: %s", palette.first, pair.first)
                << palette.second << pair.second.first << pair.second.second << 4.5;
        for (const char *ground : {"base", "window"})
            QTest::addRow("%s: focus ring on %s", palette.first, ground)
                << palette.second << QStringLiteral("focusRing") << QString::fromLatin1(ground)
                << 3.0;
        // Statuses show in the list, on its selected row, and under the form.
        for (const char *status : {"ok", "fail", "skip", "warn"}) {
            for (const char *ground : {"base", "selection", "window"})
                QTest::addRow("%s: %s on %s", palette.first, status, ground)
                    << palette.second << QString::fromLatin1(status) << QString::fromLatin1(ground)
                    << 4.5;
        }
    }
}

void TstTheme::textReads()
{
    QFETCH(QPalette, palette);
    QFETCH(QString, foreground);
    QFETCH(QString, background);
    QFETCH(double, least);

    QQmlEngine engine;
    QQmlComponent component(&engine, themeUrl());
    std::unique_ptr<QObject> theme(component.create());
    QVERIFY2(theme, qPrintable(component.errorString()));
    theme->setProperty("palette", palette);

    const QColor fg = colourOf(theme.get(), palette, foreground);
    const QColor bg = colourOf(theme.get(), palette, background);
    QVERIFY(fg.isValid() && bg.isValid());
    const double ratio = contrast(fg, bg);
    QVERIFY2(ratio >= least,
             qPrintable(
                 QStringLiteral("%1 on %2: %3:1").arg(fg.name(), bg.name()).arg(ratio, 0, 'f', 2)));
}

QTEST_MAIN(TstTheme)
#include "tst_theme.moc"

// The window's form as one object: the fields as typed, each checked by the
// engine, the size in bytes they make, and the convert command the whole form
// stands for, or the reason there is none yet, in the window's words. QML
// binds to it; the rules are convert/'s, asked, never worked out here.
#pragma once

#include "convert/convertparams.h"

#include <QObject>
#include <QQmlParserStatus>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// Registers Form for QML as "import Sabletide.Window 1.0". Call once at
// start-up, before the window loads.
void registerFormType();

class Form : public QObject, public QQmlParserStatus
{
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    // The form as typed, in the window's locale ("48.000", "1,5" in German).
    Q_PROPERTY(QString rateText READ rateText WRITE setRateText NOTIFY rateTextChanged)
    Q_PROPERTY(
        QString channelsText READ channelsText WRITE setChannelsText NOTIFY channelsTextChanged)
    Q_PROPERTY(int bits READ bits WRITE setBits NOTIFY bitsChanged)
    Q_PROPERTY(bool durationMode READ durationMode WRITE setDurationMode NOTIFY durationModeChanged)
    Q_PROPERTY(QString sizeText READ sizeText WRITE setSizeText NOTIFY sizeTextChanged)
    // 0 bytes, 1 KiB, 2 MiB. Changing it converts sizeText to the new unit,
    // so that the size in bytes stays the same; not while a QML declaration
    // is being made, whose values come together, in no set order.
    Q_PROPERTY(int sizeUnit READ sizeUnit WRITE setSizeUnit NOTIFY sizeUnitChanged)
    Q_PROPERTY(
        QString durationText READ durationText WRITE setDurationText NOTIFY durationTextChanged)
    Q_PROPERTY(QString folderText READ folderText WRITE setFolderText NOTIFY folderTextChanged)
    Q_PROPERTY(QString suffix READ suffix WRITE setSuffix NOTIFY suffixChanged)
    Q_PROPERTY(QStringList inputs READ inputs WRITE setInputs NOTIFY inputsChanged)
    // The slot options as typed.
    Q_PROPERTY(bool padChecked READ padChecked WRITE setPadChecked NOTIFY padCheckedChanged)
    Q_PROPERTY(QString fadeText READ fadeText WRITE setFadeText NOTIFY fadeTextChanged)
    Q_PROPERTY(QString startText READ startText WRITE setStartText NOTIFY startTextChanged)
    // The sound options as chosen. normalize: 0 off, 1 to a peak (peakText,
    // in dBFS), 2 to a loudness (loudnessText, in LUFS). quality: the index
    // of the resampler's quality, from quick to very high, as
    // sound::qualityNames orders them. trimText: the level in dBFS above
    // which the sound begins, while trimChecked.
    Q_PROPERTY(int normalize READ normalize WRITE setNormalize NOTIFY normalizeChanged)
    Q_PROPERTY(QString peakText READ peakText WRITE setPeakText NOTIFY peakTextChanged)
    Q_PROPERTY(
        QString loudnessText READ loudnessText WRITE setLoudnessText NOTIFY loudnessTextChanged)
    Q_PROPERTY(bool together READ together WRITE setTogether NOTIFY togetherChanged)
    Q_PROPERTY(bool guard READ guard WRITE setGuard NOTIFY guardChanged)
    Q_PROPERTY(bool dither READ dither WRITE setDither NOTIFY ditherChanged)
    Q_PROPERTY(int quality READ quality WRITE setQuality NOTIFY qualityChanged)
    Q_PROPERTY(bool trimChecked READ trimChecked WRITE setTrimChecked NOTIFY trimCheckedChanged)
    Q_PROPERTY(QString trimText READ trimText WRITE setTrimText NOTIFY trimTextChanged)

    // Checked fields, each { ok, value, reason }: reason says in the field's
    // words why it is refused. size's value is the total in bytes; it says
    // nothing while the format is wrong. start's value is the start as the
    // engine reads it ("1.25"), "" for the beginning.
    Q_PROPERTY(QVariantMap rate READ rate NOTIFY rateChanged)
    Q_PROPERTY(QVariantMap channels READ channels NOTIFY channelsChanged)
    Q_PROPERTY(bool formatOk READ formatOk NOTIFY formatOkChanged)
    Q_PROPERTY(int frameBytes READ frameBytes NOTIFY frameBytesChanged)
    Q_PROPERTY(QVariantMap size READ size NOTIFY sizeChanged)
    // { frames, whole, lower, upper } of the size: the whole frames it holds,
    // whether it ends on a frame, and the whole-frame sizes just below and
    // above it (null where there is none).
    Q_PROPERTY(QVariantMap layout READ layout NOTIFY layoutChanged)
    // A size typed in bytes that cuts into a frame.
    Q_PROPERTY(bool partialFrame READ partialFrame NOTIFY partialFrameChanged)
    // The other view of the size: the sound a size holds, the bytes a
    // duration makes.
    Q_PROPERTY(QString sizeInfo READ sizeInfo NOTIFY sizeInfoChanged)
    // A size above 0: padding and fading have something to fill or cut.
    Q_PROPERTY(bool sized READ sized NOTIFY sizedChanged)
    Q_PROPERTY(QVariantMap fade READ fade NOTIFY fadeChanged)
    Q_PROPERTY(QVariantMap start READ start NOTIFY startChanged)
    // The sound's levels checked, each { ok, value, reason } with the level
    // as a number; accepted, 0, while not asked for.
    Q_PROPERTY(QVariantMap peak READ peak NOTIFY peakChanged)
    Q_PROPERTY(QVariantMap loudness READ loudness NOTIFY loudnessChanged)
    Q_PROPERTY(QVariantMap trim READ trim NOTIFY trimChanged)
    // Whether the guard and together reach the request as the form stands
    // (sound::effective): a level target chooses the gain itself, and
    // together needs one.
    Q_PROPERTY(bool guardApplies READ guardApplies NOTIFY guardAppliesChanged)
    Q_PROPERTY(bool togetherApplies READ togetherApplies NOTIFY togetherAppliesChanged)
    // { pad, fadeOutMs, start }, as the request carries them, and those of
    // readRequestOptions' sound options that differ from the plain
    // conversion's.
    Q_PROPERTY(QVariantMap options READ options NOTIFY optionsChanged)
    Q_PROPERTY(QString outputFolder READ outputFolder NOTIFY outputFolderChanged)
    Q_PROPERTY(QString folderReason READ folderReason NOTIFY folderReasonChanged)
    Q_PROPERTY(QString suffixReason READ suffixReason NOTIFY suffixReasonChanged)
    // { ok, command, reason }: the convert command, or what stops the whole
    // request, in the words of the field at fault. Inputs that the engine
    // refuses one by one (an output that another input writes first, or one
    // that lands on an input) do not stop it: the plan's rows say why.
    Q_PROPERTY(QVariantMap plan READ plan NOTIFY planChanged)
    // The bytes that the outputs come to together (the size times the
    // inputs; 0 while the size is wrong or 0), and whether that is large
    // enough to ask before converting, in a sentence for the question.
    Q_PROPERTY(double totalBytes READ totalBytes NOTIFY totalBytesChanged)
    Q_PROPERTY(bool large READ large NOTIFY largeChanged)
    Q_PROPERTY(QString largeText READ largeText NOTIFY largeTextChanged)

public:
    explicit Form(QObject *parent = nullptr);

    QString rateText() const { return typed.rateText; }
    QString channelsText() const { return typed.channelsText; }
    int bits() const { return typed.bits; }
    bool durationMode() const { return typed.durationMode; }
    QString sizeText() const { return typed.sizeText; }
    int sizeUnit() const { return typed.sizeUnit; }
    QString durationText() const { return typed.durationText; }
    QString folderText() const { return typed.folderText; }
    QString suffix() const { return typed.suffix; }
    QStringList inputs() const { return typed.inputs; }
    bool padChecked() const { return typed.padChecked; }
    QString fadeText() const { return typed.fadeText; }
    QString startText() const { return typed.startText; }
    int normalize() const { return typed.normalize; }
    QString peakText() const { return typed.peakText; }
    QString loudnessText() const { return typed.loudnessText; }
    bool together() const { return typed.together; }
    bool guard() const { return typed.guard; }
    bool dither() const { return typed.dither; }
    int quality() const { return typed.quality; }
    bool trimChecked() const { return typed.trimChecked; }
    QString trimText() const { return typed.trimText; }

    void setRateText(const QString &text) { set(&Typed::rateText, text); }
    void setChannelsText(const QString &text) { set(&Typed::channelsText, text); }
    void setBits(int bits) { set(&Typed::bits, bits); }
    void setDurationMode(bool on) { set(&Typed::durationMode, on); }
    void setSizeText(const QString &text) { set(&Typed::sizeText, text); }
    // A unit other than 0, 1 or 2 is ignored.
    void setSizeUnit(int unit);
    void setDurationText(const QString &text) { set(&Typed::durationText, text); }
    void setFolderText(const QString &text) { set(&Typed::folderText, text); }
    void setSuffix(const QString &suffix) { set(&Typed::suffix, suffix); }
    void setInputs(const QStringList &inputs) { set(&Typed::inputs, inputs); }
    void setPadChecked(bool on) { set(&Typed::padChecked, on); }
    void setFadeText(const QString &text) { set(&Typed::fadeText, text); }
    void setStartText(const QString &text) { set(&Typed::startText, text); }
    // A normalize or quality out of range is ignored.
    void setNormalize(int mode);
    void setPeakText(const QString &text) { set(&Typed::peakText, text); }
    void setLoudnessText(const QString &text) { set(&Typed::loudnessText, text); }
    void setTogether(bool on) { set(&Typed::together, on); }
    void setGuard(bool on) { set(&Typed::guard, on); }
    void setDither(bool on) { set(&Typed::dither, on); }
    void setQuality(int index);
    void setTrimChecked(bool on) { set(&Typed::trimChecked, on); }
    void setTrimText(const QString &text) { set(&Typed::trimText, text); }

    QVariantMap rate() const { return now.rate; }
    QVariantMap channels() const { return now.channels; }
    bool formatOk() const { return now.formatOk; }
    int frameBytes() const { return now.frameBytes; }
    QVariantMap size() const { return now.size; }
    QVariantMap layout() const { return now.layout; }
    bool partialFrame() const { return now.partialFrame; }
    QString sizeInfo() const { return now.sizeInfo; }
    bool sized() const { return now.sized; }
    QVariantMap fade() const { return now.fade; }
    QVariantMap start() const { return now.start; }
    QVariantMap peak() const { return now.peak; }
    QVariantMap loudness() const { return now.loudness; }
    QVariantMap trim() const { return now.trim; }
    bool guardApplies() const { return now.guardApplies; }
    bool togetherApplies() const { return now.togetherApplies; }
    QVariantMap options() const { return now.options; }
    QString outputFolder() const { return now.outputFolder; }
    QString folderReason() const { return now.folderReason; }
    QString suffixReason() const { return now.suffixReason; }
    QVariantMap plan() const { return now.plan; }
    double totalBytes() const { return now.totalBytes; }
    bool large() const { return now.large; }
    QString largeText() const { return now.largeText; }

    // The output path of `input`, as the engine names it.
    Q_INVOKABLE QString outputOf(const QString &input) const;

    // The form as it is remembered between sessions, free of the locale:
    // numbers as the engine writes them ("48000", "1.5"), under the keys
    // rate, channels, bitsIndex, durationMode, size, sizeUnit, duration,
    // folder, suffix, pad, fadeOutMs, and of the sound: normalize ("off",
    // "peak", "loudness"), peakDbfs, loudnessLufs, together, guard, dither,
    // quality (its engine name, "very-high"), trimStart, trimStartDbfs. Not
    // the start: it belongs to one batch.
    Q_INVOKABLE QVariantMap values() const;
    // Puts back what values() gave, numbers as the window's locale writes
    // them ("1,5" in German); values given as text ("true", "2") are read.
    // A value it cannot read for certain is left out, the field keeping what
    // it has: that includes a number that an older session wrote in its
    // locale ("48.000"), which could mean 48 or 48000. Keys it does not know,
    // and the start, are ignored.
    Q_INVOKABLE void restore(const QVariantMap &values);
    // Puts a slot preset in the form, as Rules::presets gives them or as one
    // of the person's own was saved (values()' keys, with bits for
    // bitsIndex); empty values are left out. The folder and the start stay;
    // the size box is chosen unless the preset is by duration.
    Q_INVOKABLE void applyPreset(const QVariantMap &preset);
    // A size in bytes, chosen by size: as the whole-frame sizes are offered.
    Q_INVOKABLE void setSizeBytes(double bytes);

    void classBegin() override;
    void componentComplete() override;

Q_SIGNALS:
    void rateTextChanged();
    void channelsTextChanged();
    void bitsChanged();
    void durationModeChanged();
    void sizeTextChanged();
    void sizeUnitChanged();
    void durationTextChanged();
    void folderTextChanged();
    void suffixChanged();
    void inputsChanged();
    void padCheckedChanged();
    void fadeTextChanged();
    void startTextChanged();
    void normalizeChanged();
    void peakTextChanged();
    void loudnessTextChanged();
    void togetherChanged();
    void guardChanged();
    void ditherChanged();
    void qualityChanged();
    void trimCheckedChanged();
    void trimTextChanged();

    void rateChanged();
    void channelsChanged();
    void formatOkChanged();
    void frameBytesChanged();
    void sizeChanged();
    void layoutChanged();
    void partialFrameChanged();
    void sizeInfoChanged();
    void sizedChanged();
    void fadeChanged();
    void startChanged();
    void peakChanged();
    void loudnessChanged();
    void trimChanged();
    void guardAppliesChanged();
    void togetherAppliesChanged();
    void optionsChanged();
    void outputFolderChanged();
    void folderReasonChanged();
    void suffixReasonChanged();
    void planChanged();
    void totalBytesChanged();
    void largeChanged();
    void largeTextChanged();

private:
    struct Typed
    {
        QString rateText;
        QString channelsText;
        int bits = 16;
        bool durationMode = false;
        QString sizeText = QStringLiteral("0");
        int sizeUnit = 0;
        QString durationText;
        QString folderText;
        QString suffix;
        QStringList inputs;
        bool padChecked = true;
        QString fadeText = QStringLiteral("0");
        QString startText;
        int normalize = 0;
        QString peakText = QStringLiteral("-1");
        QString loudnessText = QStringLiteral("-16");
        bool together = false;
        bool guard = false;
        bool dither = false;
        int quality = int(SoundOptions::Quality::High);
        bool trimChecked = false;
        QString trimText = QStringLiteral("-48");
    };

    struct Derived
    {
        QVariantMap rate;
        QVariantMap channels;
        bool formatOk = false;
        int frameBytes = 0;
        QVariantMap size;
        QVariantMap layout;
        bool partialFrame = false;
        QString sizeInfo;
        bool sized = false;
        QVariantMap fade;
        QVariantMap start;
        QVariantMap peak;
        QVariantMap loudness;
        QVariantMap trim;
        bool guardApplies = false;
        bool togetherApplies = false;
        QVariantMap options;
        QString outputFolder;
        QString folderReason;
        QString suffixReason;
        QVariantMap plan;
        double totalBytes = 0;
        bool large = false;
        QString largeText;
    };

    // Changes one field as typed, and with it whatever follows from it.
    template <typename T>
    void set(T Typed::*field, const T &value)
    {
        Typed next = typed;
        next.*field = value;
        change(next);
    }
    // The form's checks and sizes, worked out from the fields as typed.
    static Derived derive(const Typed &typed);
    // Takes the whole of `next`, works the form out again and then tells of
    // every property that changed, so that no handler sees half a change.
    void change(const Typed &next);

    Typed typed;
    Derived now;
    // False while QML gives the declaration's first values.
    bool made = true;
};

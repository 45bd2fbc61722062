// A Qt Quick item that draws an input's waveform overview with the slot of
// its output over it: the part that goes into the file, the fade before the
// cut, the cut, and the silence that pads a short sound. The start marker can
// be dragged.
#pragma once

#include "convert/overview.h"

#include <QColor>
#include <QQuickPaintedItem>
#include <QVariant>
#include <QVariantList>

class WaveformItem : public QQuickPaintedItem
{
    Q_OBJECT
    // An Overview, as SlotPreview publishes it; anything else draws no sound.
    Q_PROPERTY(QVariant overview READ overview WRITE setOverview NOTIFY overviewChanged)
    // The planner's numbers for this input (SlotPreview's slot), in output
    // frames; doubles, as QML's integers stop at 2^31.
    Q_PROPERTY(double totalFrames READ totalFrames WRITE setTotalFrames NOTIFY slotChanged)
    Q_PROPERTY(double startFrame READ startFrame WRITE setStartFrame NOTIFY slotChanged)
    Q_PROPERTY(double cutFrame READ cutFrame WRITE setCutFrame NOTIFY slotChanged)
    Q_PROPERTY(double fadeFrames READ fadeFrames WRITE setFadeFrames NOTIFY slotChanged)
    Q_PROPERTY(double padFrames READ padFrames WRITE setPadFrames NOTIFY slotChanged)
    Q_PROPERTY(double rate READ rate WRITE setRate NOTIFY slotChanged)
    Q_PROPERTY(QColor waveColor MEMBER waveColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor slotColor MEMBER slotColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor markerColor MEMBER markerColor NOTIFY colorsChanged)
    Q_PROPERTY(bool dragging READ dragging NOTIFY draggingChanged)
    // Shows the slot (the sound that goes into the file and its padding) with
    // a margin either side, rather than the whole sound.
    Q_PROPERTY(bool zoomToSlot READ zoomToSlot WRITE setZoomToSlot NOTIFY zoomToSlotChanged)
    // The stretch shown across the width, in frames from the sound's start.
    Q_PROPERTY(double viewFrom READ viewFrom NOTIFY viewChanged)
    Q_PROPERTY(double viewTo READ viewTo NOTIFY viewChanged)
    // The time ruler's ticks for that stretch: [{ x, seconds }], every
    // tickStep seconds, at least minTickGap pixels apart.
    Q_PROPERTY(QVariantList ticks READ ticks NOTIFY viewChanged)
    Q_PROPERTY(double tickStep READ currentTickStep NOTIFY viewChanged)
    Q_PROPERTY(double minTickGap MEMBER minTickGap NOTIFY viewChanged)

public:
    explicit WaveformItem(QQuickItem *parent = nullptr);

    // Where the overlay stands across a width, in pixels from the left edge.
    struct Geometry
    {
        qreal start = 0;
        qreal fadeStart = 0;
        qreal soundEnd = 0; // the cut, or the end of the sound
        qreal cut = -1;     // -1: no cut
        qreal padEnd = 0;   // the end of the padding; soundEnd when there is none
        qreal total = 0;    // the end of the whole sound
    };
    // Frames [from, to) of the sound, shown across the width; to == 0: all
    // of slot.span(). Span{} is {0, 0}.
    struct Span
    {
        quint64 from;
        quint64 to;
    };
    // What a view shows of the slot (with the overview's length where the
    // input did not say its own): everything, or the slot with a twentieth
    // of its length either side, within the sound and its padding.
    static Span visibleSpan(const SlotFrames &slot, quint64 overviewFrames, bool zoomToSlot);
    // A slot across `width` pixels that show `view`, by default all of
    // slot.span() frames. Places outside the view lie outside 0 to width.
    static Geometry geometry(const SlotFrames &slot, quint64 overviewFrames, qreal width,
                             Span view = Span{});
    // The start frame that a marker dropped at `x` asks for: the nearest
    // frame, at least 0 and before the end of the sound.
    static quint64 frameAt(qreal x, const SlotFrames &slot, quint64 overviewFrames, qreal width,
                           Span view = Span{});
    // A ruler's step, in seconds (1, 2 or 5 times a power of ten up to 10 s;
    // 15, 20 or 30 s; 1, 2, 5, 10, 15 or 30 minutes; whole hours), the
    // smallest that leaves `minGap` pixels between ticks when `seconds` span
    // `width` pixels; 0 when nothing is shown.
    static double tickStep(double seconds, qreal width, qreal minGap);

    // The overlay as this item draws it now, at its width.
    Geometry overlay() const;

    QVariant overview() const { return overviewValue; }
    void setOverview(const QVariant &value);
    double totalFrames() const { return double(frames.totalFrames); }
    void setTotalFrames(double value);
    double startFrame() const { return double(frames.startFrame); }
    void setStartFrame(double value);
    double cutFrame() const { return double(frames.cutFrame); }
    void setCutFrame(double value);
    double fadeFrames() const { return double(frames.fadeFrames); }
    void setFadeFrames(double value);
    double padFrames() const { return double(frames.padFrames); }
    void setPadFrames(double value);
    double rate() const { return frames.rate; }
    void setRate(double value);
    bool dragging() const { return isDragging; }
    bool zoomToSlot() const { return slotZoom; }
    void setZoomToSlot(bool on);
    // The stretch shown now: while the marker is dragged, the one shown when
    // it was taken, so that the sound stands still under the pointer.
    Span view() const;
    double viewFrom() const { return double(view().from); }
    double viewTo() const { return double(view().to); }
    QVariantList ticks() const;
    double currentTickStep() const;

    void paint(QPainter *painter) override;

Q_SIGNALS:
    // The start marker was dragged to `frame`; the window sets its start
    // option from it (seconds = frame / rate), and the planner's new start
    // comes back through startFrame.
    void startFrameDragged(double frame);
    void overviewChanged();
    void slotChanged();
    void colorsChanged();
    void draggingChanged();
    void zoomToSlotChanged();
    void viewChanged();

protected:
    void geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseUngrabEvent() override;
    void hoverMoveEvent(QHoverEvent *event) override;

private:
    bool setFrame(quint64 *field, double value);
    bool nearStart(qreal x) const;
    void endDrag();

    QVariant overviewValue;
    Overview sound;
    SlotFrames frames;
    QColor waveColor{0x4a, 0x6f, 0xa5};
    QColor slotColor{0x4a, 0x6f, 0xa5, 0x30};
    QColor markerColor{0xd0, 0x50, 0x30};
    bool isDragging = false;
    quint64 dragFrame = 0;
    Span dragView{};
    bool slotZoom = false;
    qreal minTickGap = 80;
};

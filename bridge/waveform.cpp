#include "bridge/waveform.h"

#include <QCursor>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// How near the start marker a press must land to take it, in pixels.
constexpr qreal grabDistance = 8;

// The slot with the overview's length where the input did not say its own.
SlotFrames measured(const SlotFrames &slot, quint64 overviewFrames)
{
    SlotFrames s = slot;
    if (s.totalFrames == 0)
        s.totalFrames = overviewFrames;
    return s;
}

} // namespace

WaveformItem::WaveformItem(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    setAcceptedMouseButtons(Qt::LeftButton);
    setAcceptHoverEvents(true);
    setAntialiasing(true);
    // What is shown moves with the slot, the sound and the drag.
    for (auto changed : {&WaveformItem::slotChanged, &WaveformItem::overviewChanged,
                         &WaveformItem::draggingChanged, &WaveformItem::zoomToSlotChanged})
        connect(this, changed, this, &WaveformItem::viewChanged);
}

WaveformItem::Span WaveformItem::visibleSpan(const SlotFrames &slot, quint64 overviewFrames,
                                             bool zoomToSlot)
{
    const SlotFrames s = measured(slot, overviewFrames);
    const quint64 span = s.span();
    const quint64 end = s.soundEnd() + s.padFrames;
    if (!zoomToSlot || end <= s.startFrame)
        return {0, span};
    const quint64 margin = qMax<quint64>((end - s.startFrame) / 20, 1);
    return {s.startFrame - qMin(margin, s.startFrame), qMin(end + margin, span)};
}

WaveformItem::Geometry WaveformItem::geometry(const SlotFrames &slot, quint64 overviewFrames,
                                              qreal width, Span view)
{
    const SlotFrames s = measured(slot, overviewFrames);
    Geometry g;
    if (view.to == 0)
        view = {0, s.span()};
    if (view.to <= view.from || width <= 0)
        return g;
    const double from = double(view.from);
    const double scale = double(width) / double(view.to - view.from);
    const auto x = [from, scale](quint64 frame) { return qreal((double(frame) - from) * scale); };
    g.start = x(s.startFrame);
    g.fadeStart = x(s.fadeStart());
    g.soundEnd = x(s.soundEnd());
    g.cut = s.cutFrame > 0 ? x(s.cutFrame) : -1;
    g.padEnd = x(s.soundEnd() + s.padFrames);
    g.total = x(s.totalFrames);
    return g;
}

quint64 WaveformItem::frameAt(qreal x, const SlotFrames &slot, quint64 overviewFrames, qreal width,
                              Span view)
{
    const SlotFrames s = measured(slot, overviewFrames);
    if (view.to == 0)
        view = {0, s.span()};
    if (s.totalFrames == 0 || width <= 0 || view.to <= view.from)
        return 0;
    const double frame =
        std::round(double(view.from) + double(x) * double(view.to - view.from) / double(width));
    if (frame <= 0)
        return 0;
    return qMin(quint64(frame), s.totalFrames - 1);
}

void WaveformItem::setOverview(const QVariant &value)
{
    overviewValue = value;
    sound = value.canConvert<Overview>() ? value.value<Overview>() : Overview();
    Q_EMIT overviewChanged();
    update();
}

bool WaveformItem::setFrame(quint64 *field, double value)
{
    const quint64 frame = value > 0 && std::isfinite(value) ? quint64(value) : 0;
    if (*field == frame)
        return false;
    *field = frame;
    Q_EMIT slotChanged();
    update();
    return true;
}

void WaveformItem::setTotalFrames(double value)
{
    setFrame(&frames.totalFrames, value);
}

void WaveformItem::setStartFrame(double value)
{
    setFrame(&frames.startFrame, value);
}

void WaveformItem::setCutFrame(double value)
{
    setFrame(&frames.cutFrame, value);
}

void WaveformItem::setFadeFrames(double value)
{
    setFrame(&frames.fadeFrames, value);
}

void WaveformItem::setPadFrames(double value)
{
    setFrame(&frames.padFrames, value);
}

void WaveformItem::setRate(double value)
{
    const quint32 rate = value > 0 && value < 4294967296.0 ? quint32(value) : 0;
    if (frames.rate == rate)
        return;
    frames.rate = rate;
    Q_EMIT slotChanged();
    update();
}

double WaveformItem::tickStep(double seconds, qreal width, qreal minGap)
{
    if (!(seconds > 0) || !(width > 0))
        return 0;
    const double least = seconds * qMax<double>(minGap, 1) / double(width);
    if (least <= 10) {
        const double power = std::pow(10.0, std::floor(std::log10(least)));
        for (double m : {1.0, 2.0, 5.0}) {
            if (m * power >= least * (1 - 1e-9))
                return m * power;
        }
        return 10 * power;
    }
    // Above ten seconds, the steps a clock reads.
    static const double clock[] = {15, 20, 30, 60, 120, 300, 600, 900, 1800, 3600};
    for (double step : clock) {
        if (step >= least)
            return step;
    }
    return std::ceil(least / 3600) * 3600;
}

void WaveformItem::setZoomToSlot(bool on)
{
    if (slotZoom == on)
        return;
    slotZoom = on;
    Q_EMIT zoomToSlotChanged();
    update();
}

WaveformItem::Span WaveformItem::view() const
{
    return isDragging ? dragView : visibleSpan(frames, sound.frames, slotZoom);
}

double WaveformItem::currentTickStep() const
{
    const Span v = view();
    if (frames.rate == 0 || v.to <= v.from)
        return 0;
    return tickStep(double(v.to - v.from) / frames.rate, width(), minTickGap);
}

QVariantList WaveformItem::ticks() const
{
    QVariantList list;
    const Span v = view();
    const double step = currentTickStep();
    if (step <= 0)
        return list;
    const double rate = frames.rate;
    const double scale = width() / double(v.to - v.from);
    // Counted in whole steps, so that 0.1 s steps give 0.3 and not 0.30000000000000004.
    const qint64 first = qint64(std::ceil(double(v.from) / rate / step - 1e-9));
    const qint64 last = qint64(std::floor(double(v.to) / rate / step + 1e-9));
    for (qint64 k = first; k <= last; ++k) {
        const double seconds = double(k) * step;
        list << QVariantMap{{QStringLiteral("x"), (seconds * rate - double(v.from)) * scale},
                            {QStringLiteral("seconds"), seconds}};
    }
    return list;
}

void WaveformItem::geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    if (newGeometry.width() != oldGeometry.width())
        Q_EMIT viewChanged();
}

WaveformItem::Geometry WaveformItem::overlay() const
{
    SlotFrames shown = frames;
    if (isDragging)
        shown.startFrame = dragFrame;
    return geometry(shown, sound.frames, width(), view());
}

void WaveformItem::paint(QPainter *painter)
{
    const qreal w = width();
    const qreal h = height();
    const Geometry g = overlay();
    const Span v = view();
    if (v.to <= v.from || w <= 0 || h <= 0)
        return;
    const double span = double(v.to - v.from);
    const qreal mid = h / 2;

    // The part that goes into the file, sound and padding.
    painter->fillRect(QRectF(g.start, 0, g.padEnd - g.start, h), slotColor);

    // The sound: the slot's part in full colour, the rest faint.
    if (sound.buckets() > 0 && sound.framesPerBucket > 0) {
        QColor faint = waveColor;
        faint.setAlphaF(waveColor.alphaF() * 0.35);
        const int columns = int(std::ceil(w));
        for (int c = 0; c < columns; ++c) {
            const quint64 first = v.from + quint64(double(c) * span / w);
            const quint64 last = v.from + quint64(double(c + 1) * span / w);
            const quint64 b0 = first / sound.framesPerBucket;
            if (b0 >= quint64(sound.buckets()))
                break;
            const quint64 b1 =
                qMin<quint64>(qMax(last, first + 1) - 1, sound.frames - 1) / sound.framesPerBucket;
            float low = sound.minimum.at(int(b0));
            float high = sound.maximum.at(int(b0));
            for (quint64 b = b0 + 1; b <= b1 && b < quint64(sound.buckets()); ++b) {
                low = qMin(low, sound.minimum.at(int(b)));
                high = qMax(high, sound.maximum.at(int(b)));
            }
            const qreal top = mid - qreal(high) * mid;
            const qreal bottom = mid - qreal(low) * mid;
            const bool inSlot = c + 0.5 >= g.start && c + 0.5 < g.soundEnd;
            painter->fillRect(QRectF(c, top, 1, qMax<qreal>(bottom - top, 1)),
                              inSlot ? waveColor : faint);
        }
    }

    QColor shade = markerColor;
    shade.setAlphaF(0.25);
    // The fade: shaded above the falling gain, on both halves.
    if (g.soundEnd > g.fadeStart) {
        QPainterPath fade;
        fade.moveTo(g.fadeStart, 0);
        fade.lineTo(g.soundEnd, 0);
        fade.lineTo(g.soundEnd, mid);
        fade.closeSubpath();
        fade.moveTo(g.fadeStart, h);
        fade.lineTo(g.soundEnd, h);
        fade.lineTo(g.soundEnd, mid);
        fade.closeSubpath();
        painter->fillPath(fade, shade);
    }
    // The padding: silence, drawn as its flat line.
    if (g.padEnd > g.soundEnd) {
        painter->fillRect(QRectF(g.soundEnd, 0, g.padEnd - g.soundEnd, h), shade);
        painter->setPen(QPen(waveColor, 1, Qt::DashLine));
        painter->drawLine(QPointF(g.soundEnd, mid), QPointF(g.padEnd, mid));
    }
    painter->setPen(QPen(markerColor, 2));
    if (g.cut >= 0)
        painter->drawLine(QPointF(g.cut, 0), QPointF(g.cut, h));
    // The start marker and its handle.
    painter->drawLine(QPointF(g.start, 0), QPointF(g.start, h));
    QPainterPath handle;
    handle.moveTo(g.start - 6, 0);
    handle.lineTo(g.start + 6, 0);
    handle.lineTo(g.start, 9);
    handle.closeSubpath();
    painter->fillPath(handle, markerColor);
}

bool WaveformItem::nearStart(qreal x) const
{
    const Geometry g = geometry(frames, sound.frames, width(), view());
    return measured(frames, sound.frames).totalFrames > 0 && std::abs(x - g.start) <= grabDistance;
}

void WaveformItem::mousePressEvent(QMouseEvent *event)
{
    if (!nearStart(event->localPos().x())) {
        event->ignore();
        return;
    }
    dragView = view();
    isDragging = true;
    dragFrame = frames.startFrame;
    Q_EMIT draggingChanged();
    event->accept();
}

void WaveformItem::mouseMoveEvent(QMouseEvent *event)
{
    if (!isDragging)
        return;
    const quint64 frame = frameAt(event->localPos().x(), frames, sound.frames, width(), dragView);
    if (frame == dragFrame)
        return;
    dragFrame = frame;
    update();
    Q_EMIT startFrameDragged(double(frame));
}

void WaveformItem::mouseReleaseEvent(QMouseEvent *)
{
    endDrag();
}

void WaveformItem::mouseUngrabEvent()
{
    endDrag();
}

void WaveformItem::endDrag()
{
    if (!isDragging)
        return;
    isDragging = false;
    Q_EMIT draggingChanged();
    update();
}

void WaveformItem::hoverMoveEvent(QHoverEvent *event)
{
    if (nearStart(event->posF().x()))
        setCursor(Qt::SizeHorCursor);
    else
        unsetCursor();
}

#include "dialogs/gradient_strip.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>
#include <limits>

#include "colour/gradient.h"

namespace zolt {

namespace {

constexpr int kStripHeight = 28;
constexpr int kMarkerHeight = 11;
constexpr int kMarkerHalfWidth = 6;  // also the margin at each end, so the end markers show
constexpr int kSamples = 512;        // colours of a blended pass: finer than any strip is wide
constexpr double kKeyStep = 0.01;    // how far Shift+arrow moves a stop

QColor ColourOf(Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

}  // namespace

GradientStrip::GradientStrip(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Gradient"));
}

void GradientStrip::Show(const Gradient& gradient, std::span<const Pixel> palette,
                         const std::vector<GradientStop>& stops, bool entries) {
    const GradientTable table(gradient, palette);
    if (entries && !table.Entries().empty()) {
        colours_.assign(table.Entries().begin(), table.Entries().end());
    } else {
        colours_.resize(kSamples);
        for (int k = 0; k < kSamples; ++k)
            colours_[static_cast<std::size_t>(k)] = table.At(static_cast<double>(k) / kSamples);
    }
    if (stops.size() <= kMostMarkers)
        markers_ = stops;
    else
        markers_.clear();
    if (selected_ >= Markers())
        Select(Markers() > 0 ? Markers() - 1 : -1);
    update();
}

void GradientStrip::Select(int index) {
    const int chosen = index >= 0 && index < Markers() ? index : -1;
    if (chosen == selected_)
        return;
    selected_ = chosen;
    update();
    emit SelectionChanged(selected_);
}

QRect GradientStrip::StripRect() const {
    return {kMarkerHalfWidth, 0, std::max(1, width() - 2 * kMarkerHalfWidth), kStripHeight};
}

int GradientStrip::XOf(double position) const {
    const QRect strip = StripRect();
    return strip.left() + static_cast<int>(std::lround(position * (strip.width() - 1)));
}

double GradientStrip::PositionAt(int x) const {
    const QRect strip = StripRect();
    return std::clamp(static_cast<double>(x - strip.left()) / std::max(1, strip.width() - 1), 0.0,
                      1.0);
}

double GradientStrip::NewStopPosition() const {
    if (selected_ < 0)
        return 0.5;
    const double at = Marker(selected_).position;
    const double next = selected_ + 1 < Markers() ? Marker(selected_ + 1).position : 1.0;
    return (at + next) / 2;
}

QPoint GradientStrip::MarkerPoint(int index) const {
    if (index < 0 || index >= Markers())
        return {};
    return {XOf(markers_[static_cast<std::size_t>(index)].position), kStripHeight + 1};
}

int GradientStrip::MarkerAt(int x) const {
    int found = -1;
    int nearest = kMarkerHalfWidth + 1;
    for (int k = 0; k < Markers(); ++k) {
        const int distance = std::abs(XOf(markers_[static_cast<std::size_t>(k)].position) - x);
        // Among stops at one place the selected one stays on top, as it is drawn.
        if (distance < nearest || (distance == nearest && k == selected_)) {
            nearest = distance;
            found = k;
        }
    }
    return found;
}

QSize GradientStrip::sizeHint() const {
    return {420, kStripHeight + kMarkerHeight + 4};
}

QSize GradientStrip::minimumSizeHint() const {
    return {200, kStripHeight + kMarkerHeight + 4};
}

void GradientStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect strip = StripRect();
    if (!colours_.empty()) {
        QImage pass(static_cast<int>(colours_.size()), 1, QImage::Format_RGB32);
        std::copy(colours_.begin(), colours_.end(), reinterpret_cast<Pixel*>(pass.scanLine(0)));
        painter.drawImage(strip, pass);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(strip.adjusted(0, 0, -1, -1));

    painter.setRenderHint(QPainter::Antialiasing);
    // The selected marker last, so that it stays on top of any at the same place.
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < Markers(); ++k) {
            const bool selected = k == selected_;
            if (selected != (pass == 1))
                continue;
            const QPoint tip = MarkerPoint(k);
            QPainterPath marker;
            marker.moveTo(tip.x() + 0.5, tip.y());
            marker.lineTo(tip.x() + 0.5 + kMarkerHalfWidth, tip.y() + kMarkerHeight);
            marker.lineTo(tip.x() + 0.5 - kMarkerHalfWidth, tip.y() + kMarkerHeight);
            marker.closeSubpath();
            painter.setPen(QPen(palette().color(selected ? QPalette::Highlight : QPalette::Text),
                                selected ? 2.0 : 1.0));
            painter.setBrush(ColourOf(markers_[static_cast<std::size_t>(k)].colour));
            painter.drawPath(marker);
        }
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = strip.adjusted(-2, -1, 2, 1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void GradientStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int x = event->position().toPoint().x();
    const int marker = MarkerAt(x);
    if (marker >= 0)
        Select(marker);
    dragging_ = marker >= 0;
    pressX_ = x;
}

void GradientStrip::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (!dragging_ || selected_ < 0 || std::abs(x - pressX_) < QApplication::startDragDistance())
        return;
    pressX_ = std::numeric_limits<int>::min() / 2;  // once moving, every step counts
    emit MoveAsked(selected_, PositionAt(x));
}

void GradientStrip::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

void GradientStrip::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int x = event->position().toPoint().x();
    if (const int marker = MarkerAt(x); marker >= 0)
        emit ColourAsked(marker);
    else
        emit AddAsked(PositionAt(x));
}

void GradientStrip::keyPressEvent(QKeyEvent* event) {
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const bool any = selected_ >= 0;
    const double at = any ? markers_[static_cast<std::size_t>(selected_)].position : 0.0;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int direction = event->key() == Qt::Key_Left ? -1 : 1;
            if (shift && any)
                emit MoveAsked(selected_, std::clamp(at + direction * kKeyStep, 0.0, 1.0));
            else if (Markers() > 0)
                Select(std::clamp(any ? selected_ + direction : 0, 0, Markers() - 1));
            break;
        }
        case Qt::Key_Home:
        case Qt::Key_End:
            if (Markers() > 0)
                Select(event->key() == Qt::Key_Home ? 0 : Markers() - 1);
            break;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            if (any)
                emit DeleteAsked(selected_);
            break;
        case Qt::Key_Insert:
        case Qt::Key_Plus:
            emit AddAsked(NewStopPosition());
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            // Without a stop to colour, Enter is the dialog's, as on any other control.
            if (!any) {
                QWidget::keyPressEvent(event);
                return;
            }
            emit ColourAsked(selected_);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace zolt

#include "shell/fractal_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <cmath>

#include "commands/zoom_selection.h"
#include "engine/image_buffer.h"
#include "generation/generator.h"
#include "shell/control_ids.h"
#include "shell/selection_marker.h"
#include "shell/view_metrics.h"

namespace zolt {

namespace {

// What the view shows before there is a fractal.
QString EmptyViewHint() {
    return QStringLiteral(
        "File \u203a New (Ctrl+N) starts a fractal\n"
        "File \u203a Open (Ctrl+O) opens one");
}

}  // namespace

FractalView::FractalView(ViewMetrics& metrics, QWidget* parent)
    : QWidget(parent), metrics_(metrics) {
    setObjectName(QString::fromLatin1(kViewWindowName));
    // Every pixel is painted from the frame buffer: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    const QScreen* display = screen();
    metrics_.SetColourCount(ColourCountForDepth(display != nullptr ? display->depth() : 0));
    UpdateMetrics();
}

void FractalView::Attach(const Generator* generator, ZoomSelection* selection) {
    generator_ = generator;
    selection_ = selection;
    update();
}

void FractalView::Detach() {
    generator_ = nullptr;
    selection_ = nullptr;
    keptMarker_.reset();
    pressed_ = false;
    update();
}

void FractalView::PresentImage() {
    presentWake_.Request();
}

void FractalView::InvalidateView() {
    keptMarker_.reset();
    update();
}

bool FractalView::CancelSelection() {
    if (selection_ == nullptr || !selection_->CancelSelection())
        return false;
    update();
    return true;
}

QSize FractalView::DeviceSize() const {
    const qreal ratio = devicePixelRatio();
    return {static_cast<int>(std::lround(width() * ratio)),
            static_cast<int>(std::lround(height() * ratio))};
}

QPoint FractalView::DevicePosition(const QPointF& position) const {
    const qreal ratio = devicePixelRatio();
    return {static_cast<int>(std::floor(position.x() * ratio)),
            static_cast<int>(std::floor(position.y() * ratio))};
}

std::optional<SelectionBox> FractalView::ShownMarker() const {
    if (selection_ != nullptr && selection_->Selecting()) {
        if (selection_->Marker().Empty())
            return std::nullopt;
        return selection_->Marker();
    }
    return keptMarker_;
}

void FractalView::UpdateMetrics() {
    const QSize size = DeviceSize();
    const ViewSize now{size.width(), size.height()};
    if (metrics_.Size() == now)
        return;
    metrics_.SetSize(now);
    emit Resized();
}

bool FractalView::event(QEvent* event) {
    // Moving to a screen of another pixel ratio changes the device size without a resize.
    if (event->type() == QEvent::ScreenChangeInternal) {
        UpdateMetrics();
        update();
    }
    return QWidget::event(event);
}

void FractalView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The picture of a finished zoom no longer lies where the image is placed now.
    keptMarker_.reset();
    UpdateMetrics();
}

void FractalView::paintEvent(QPaintEvent*) {
    const QSize size = DeviceSize();
    if (frame_.size() != size)
        frame_ = QImage(size, QImage::Format_RGB32);
    frame_.setDevicePixelRatio(1.0);
    frame_.fill(QColor::fromRgb(kDarkGrey));
    const PixelTarget target{reinterpret_cast<Pixel*>(frame_.bits()), frame_.width(),
                             frame_.height(), static_cast<int>(frame_.bytesPerLine() / 4)};
    if (generator_ != nullptr)
        generator_->PaintView(target);
    if (const auto marker = ShownMarker())
        DrawSelectionMarker(target, *marker);
    frame_.setDevicePixelRatio(devicePixelRatio());

    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), frame_);
    if (generator_ == nullptr || !generator_->Initialised()) {
        painter.setPen(QColor(200, 200, 200));
        painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         EmptyViewHint());
    }
}

void FractalView::wheelEvent(QWheelEvent* event) {
    event->accept();
    // While a dialog holds the program, the view takes no orders; during a drag the zoom itself
    // refuses.
    if (selection_ == nullptr || QApplication::activeModalWidget() != nullptr)
        return;
    constexpr int kNotch = 120;  // eighths of a degree
    wheelTurn_ += event->angleDelta().y();
    const int steps = wheelTurn_ / kNotch;
    wheelTurn_ -= steps * kNotch;
    if (steps == 0)
        return;
    const QPoint at = DevicePosition(event->position());
    if (selection_->WheelZoom(at.x(), at.y(), steps)) {
        keptMarker_.reset();
        update();
    }
}

void FractalView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A press while one is still held means its release went elsewhere (a dialog took the
    // mouse): that selection is over.
    pressed_ = true;
    if (selection_ == nullptr)
        return;
    if (selection_->CancelSelection())
        update();
    const QPoint at = DevicePosition(event->position());
    if (selection_->BeginSelection(at.x(), at.y()) && keptMarker_) {
        keptMarker_.reset();
        update();
    }
}

void FractalView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || selection_ == nullptr)
        return;
    const QPoint at = DevicePosition(event->position());
    // Only a changed rectangle is drawn again.
    if (selection_->TrackSelection(at.x(), at.y()))
        update();
}

void FractalView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    pressed_ = false;
    if (selection_ == nullptr)
        return;
    const bool wasSelecting = selection_->Selecting();
    const QPoint at = DevicePosition(event->position());
    if (selection_->EndSelection(at.x(), at.y()))
        keptMarker_ = selection_->Marker();
    if (wasSelecting)
        update();
}

}  // namespace zolt

#include "shell/fractal_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
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
    // The arrow keys and + and - move the view: it takes the keyboard when clicked, and at start.
    setFocusPolicy(Qt::StrongFocus);
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
    panFrom_.reset();
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
    if (panFrom_) {
        // The picture follows the middle button; what it uncovers is background.
        painter.fillRect(rect(), QColor::fromRgb(kDarkGrey));
        painter.drawImage(QPointF(panBy_) / devicePixelRatio(), frame_);
    } else {
        painter.drawImage(QPoint(0, 0), frame_);
    }
    if (generator_ == nullptr || !generator_->Initialised()) {
        painter.setPen(QColor(200, 200, 200));
        painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         EmptyViewHint());
    }
}

bool FractalView::TakesOrders() const {
    // While a dialog holds the program, the view takes no orders; during a drag the zoom itself
    // refuses.
    return selection_ != nullptr && QApplication::activeModalWidget() == nullptr;
}

void FractalView::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!TakesOrders() || panFrom_)
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

void FractalView::keyPressEvent(QKeyEvent* event) {
    // What each key does: pan by quarters of the view (columns right, rows down), or zoom.
    struct KeyMove {
        int key;
        int columns;
        int rows;
        int zoom;
    };
    static constexpr KeyMove kMoves[] = {
        {Qt::Key_Left, -1, 0, 0}, {Qt::Key_Right, 1, 0, 0}, {Qt::Key_Up, 0, -1, 0},
        {Qt::Key_Down, 0, 1, 0},  {Qt::Key_Plus, 0, 0, 1},  {Qt::Key_Minus, 0, 0, -1},
    };
    const auto* move = std::find_if(std::begin(kMoves), std::end(kMoves),
                                    [event](const KeyMove& m) { return m.key == event->key(); });
    // Only the keys alone, the keypad's too, and + with the shift many keyboards need for it:
    // with Alt, Ctrl or Meta they belong to the menus' accelerators (Alt+Left is Back).
    const Qt::KeyboardModifiers allowed =
        Qt::KeypadModifier | (event->key() == Qt::Key_Plus ? Qt::ShiftModifier : Qt::NoModifier);
    if (move == std::end(kMoves) || (event->modifiers() & ~allowed) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!TakesOrders() || panFrom_)
        return;
    const bool moved = move->zoom != 0 ? selection_->ZoomAtCentre(move->zoom)
                                       : selection_->PanByQuarters(move->columns, move->rows);
    if (moved) {
        keptMarker_.reset();
        update();
    }
}

void FractalView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    EndPan();
}

void FractalView::EndPan() {
    if (!panFrom_)
        return;
    panFrom_.reset();
    update();
}

void FractalView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        // Not while the left button drags a selection.
        if (TakesOrders() && !selection_->Selecting()) {
            panFrom_ = DevicePosition(event->position());
            panBy_ = {};
        }
        return;
    }
    if (event->button() != Qt::LeftButton || panFrom_) {
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
    if (panFrom_) {
        panBy_ = DevicePosition(event->position()) - *panFrom_;
        update();
        return;
    }
    if (!pressed_ || selection_ == nullptr)
        return;
    const QPoint at = DevicePosition(event->position());
    // Only a changed rectangle is drawn again.
    if (selection_->TrackSelection(at.x(), at.y()))
        update();
}

void FractalView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && panFrom_) {
        const QPoint from = *panFrom_;
        const QPoint to = DevicePosition(event->position());
        EndPan();
        if (TakesOrders() && selection_->Pan({from.x(), from.y()}, {to.x(), to.y()}))
            keptMarker_.reset();
        return;
    }
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

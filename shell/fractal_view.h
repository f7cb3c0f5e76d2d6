#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "shell/thread_wake.h"
#include "surface/selection_geometry.h"

namespace zolt {

class Generator;
class ViewMetrics;
class ZoomSelection;

// The view between the toolbar and the status bar: the generator's image on dark grey, placed
// centred while it is smaller than the view and by its top-left part once it is larger, never
// scaled; and the drag selection that zooms into it.
//
// Everything the generator computes with is in device pixels (the widget's size times the
// screen's pixel ratio), so the image is sharp on high-density screens; mouse positions are
// converted likewise. The view keeps its device size and colour count in `metrics`, which the
// generation thread reads.
//
// A release outside the view ends the selection there: the arithmetic keeps the rectangle
// within the image, and a selection never outlives its button press.
//
// The middle button drags the picture along (the pixels already computed, nothing new until the
// button comes up), then generates the view moved by that much. The arrow keys move the view by
// a quarter of its size, + and - zoom by 2 about its centre; each generates as the wheel does.
//
// Until there is a fractal the view says how to begin one.
class FractalView final : public QWidget {
    Q_OBJECT

  public:
    FractalView(ViewMetrics& metrics, QWidget* parent = nullptr);

    // The objects the view paints from and zooms with; none before start-up and after exit,
    // when the view paints its background only.
    void Attach(const Generator* generator, ZoomSelection* selection);
    void Detach();

    // Any thread: the image has new content. Repaints once, however often it is called before
    // the user-interface thread gets to it.
    void PresentImage();
    // Repaints everything; the marker of a finished zoom goes with it.
    void InvalidateView();
    // Drops a selection in progress and its marker. True when there was one.
    bool CancelSelection();

    QSize DeviceSize() const;
    QPoint DevicePosition(const QPointF& position) const;
    // The marker drawn now, if any.
    std::optional<SelectionBox> ShownMarker() const;

  Q_SIGNALS:
    // The view's device size changed.
    void Resized();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A notch away from the user zooms in by 2 about the point under the pointer, one towards
    // them zooms out; each generates at once.
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Ends a middle drag when the view loses the mouse without its release.
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void UpdateMetrics();
    // Whether the view takes orders from the mouse wheel, middle button and keys now.
    bool TakesOrders() const;
    void EndPan();

    ViewMetrics& metrics_;
    const Generator* generator_ = nullptr;
    ZoomSelection* selection_ = nullptr;
    QImage frame_;                            // the paint buffer, reused while the size stays
    std::optional<SelectionBox> keptMarker_;  // the region of the last zoom, until repainted
    ThreadWake presentWake_{[this] { InvalidateView(); }};
    bool pressed_ = false;
    std::optional<QPoint> panFrom_;  // the middle button's press, in device pixels
    QPoint panBy_;                   // how far the picture has been dragged from it
    int wheelTurn_ = 0;  // eighths of a degree not yet a whole notch (fine-grained wheels)
};

}  // namespace zolt

#pragma once

#include <QWidget>
#include <span>
#include <vector>

#include "engine/colouring.h"
#include "engine/image_buffer.h"

namespace zolt {

// The gradient editor's strip: the colours of one pass through a gradient, left to right, with a
// marker under each stop an edit can take. It only shows and asks: a click selects a marker, a
// drag or Shift+arrow asks to move it, a double-click or Enter asks for its colour, a double-click
// between markers or Insert asks for a new stop there, Delete asks to remove it. Whoever owns
// the gradient makes the edit and shows the result again.
class GradientStrip final : public QWidget {
    Q_OBJECT

  public:
    // More stops than this are too close together to pick one by one: none is marked.
    static constexpr std::size_t kMostMarkers = 64;

    explicit GradientStrip(QWidget* parent = nullptr);

    // Shows `gradient` (the classic one in `palette`'s colours) and marks `stops`, the stops an
    // edit works on, keeping the selection where it can. With `entries`, a palette or map
    // shows its entries side by side, as bands colour by them; otherwise blended.
    void Show(const Gradient& gradient, std::span<const Pixel> palette,
              const std::vector<GradientStop>& stops, bool entries);

    int Markers() const { return static_cast<int>(markers_.size()); }
    // The marker selected, -1 for none.
    int Selected() const { return selected_; }
    void Select(int index);
    const GradientStop& Marker(int index) const {
        return markers_[static_cast<std::size_t>(index)];
    }
    // Where a new stop goes: halfway from the selected stop to the next one (or to the end of
    // the pass after the last one); the middle without a selection.
    double NewStopPosition() const;
    // Where the marker of stop `index` is drawn (its tip), in the strip's own coordinates.
    QPoint MarkerPoint(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  Q_SIGNALS:
    void SelectionChanged(int index);
    void MoveAsked(int index, double position);
    void AddAsked(double position);
    void DeleteAsked(int index);
    void ColourAsked(int index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QRect StripRect() const;
    int XOf(double position) const;
    double PositionAt(int x) const;
    // The marker under `x`, the nearest when several are; -1 for none.
    int MarkerAt(int x) const;

    std::vector<Pixel> colours_;  // the pass, evenly spaced from left to right
    std::vector<GradientStop> markers_;
    int selected_ = -1;
    bool dragging_ = false;
    int pressX_ = 0;
};

}  // namespace zolt

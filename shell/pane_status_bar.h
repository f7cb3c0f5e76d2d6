#pragma once

#include <QStatusBar>
#include <array>
#include <string>
#include <vector>

class QLabel;
class QSizeGrip;

namespace zolt {

// The three-pane status bar: the panes take 25, 25 and 50 percent of the bar's width, edge for
// edge as computed by PaneRightEdges, recomputed whenever the bar changes width, with a size
// grip in the right corner.
class PaneStatusBar final : public QStatusBar {
    Q_OBJECT

  public:
    explicit PaneStatusBar(QWidget* parent = nullptr);

    // Pane 1 to 3; other numbers do nothing.
    void SetPaneText(int pane, const std::string& text);
    QString PaneText(int pane) const;
    void ClearPanes();
    // The right edge of each pane as laid out now.
    std::vector<int> PaneEdges() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ApplyPanes();

    std::array<QLabel*, 3> panes_{};
    QSizeGrip* grip_ = nullptr;
};

}  // namespace zolt

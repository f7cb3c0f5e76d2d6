#include "shell/pane_status_bar.h"

#include <QLabel>
#include <QResizeEvent>
#include <QSizeGrip>

#include "shell/control_ids.h"
#include "shell/pane_layout.h"

namespace zolt {

namespace {

constexpr int kVerticalMargin = 2;

// A text wider than its pane is cut off at the pane's edge ("Finished - more iterations may
// show detail" in a pane a quarter of a narrow window wide): the pointer over it shows it whole.
void ShowWholeTextOnHover(QLabel& pane) {
    const int room = pane.contentsRect().width() - pane.indent();
    pane.setToolTip(pane.fontMetrics().horizontalAdvance(pane.text()) > room ? pane.text()
                                                                             : QString());
}

}  // namespace

PaneStatusBar::PaneStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QString::number(kStatusBarControlId));
    // The panes are placed by hand at their computed edges; the bar's own layout and grip
    // would move them.
    setSizeGripEnabled(false);
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("pane-%1").arg(i + 1));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setIndent(3);
        label->setTextFormat(Qt::PlainText);
        panes_[i] = label;
    }
    grip_ = new QSizeGrip(this);
    grip_->raise();
}

void PaneStatusBar::SetPaneText(int pane, const std::string& text) {
    if (pane < 1 || pane > static_cast<int>(panes_.size()))
        return;
    QLabel& label = *panes_[static_cast<std::size_t>(pane - 1)];
    label.setText(QString::fromStdString(text));
    ShowWholeTextOnHover(label);
}

QString PaneStatusBar::PaneText(int pane) const {
    if (pane < 1 || pane > static_cast<int>(panes_.size()))
        return {};
    return panes_[static_cast<std::size_t>(pane - 1)]->text();
}

void PaneStatusBar::ClearPanes() {
    for (QLabel* label : panes_) {
        label->clear();
        label->setToolTip({});
    }
}

std::vector<int> PaneStatusBar::PaneEdges() const {
    std::vector<int> edges;
    for (const QLabel* label : panes_)
        edges.push_back(label->geometry().right() + 1);
    return edges;
}

QSize PaneStatusBar::sizeHint() const {
    const int height = fontMetrics().height() + 2 * (kVerticalMargin + 3);
    return {QStatusBar::sizeHint().width(), std::max(height, grip_->sizeHint().height())};
}

QSize PaneStatusBar::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void PaneStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    ApplyPanes();
}

void PaneStatusBar::ApplyPanes() {
    const std::vector<int> edges = PaneRightEdges(width());
    if (edges.size() != panes_.size())
        return;
    int left = 0;
    const int height = std::max(0, this->height() - 2 * kVerticalMargin);
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        panes_[i]->setGeometry(left, kVerticalMargin, edges[i] - left, height);
        ShowWholeTextOnHover(*panes_[i]);
        left = edges[i];
    }
    const QSize grip = grip_->sizeHint();
    grip_->setGeometry(width() - grip.width(), this->height() - grip.height(), grip.width(),
                       grip.height());
    grip_->raise();
}

}  // namespace zolt

#pragma once

#include <QObject>
#include <array>
#include <cstdint>

#include "surface/command_ids.h"

class QAction;
class QWidget;

namespace zolt {

// One action per command, shared by the menu, the keys and the toolbar, so that the three can
// never disagree about whether a command is enabled or checked.
class CommandActions : public QObject {
    Q_OBJECT

  public:
    // The actions belong to `window`, whose keys they listen to. Commands with a bit in the
    // command mask start disabled, as the mask does; Mail and Web are always enabled.
    explicit CommandActions(QWidget* window);

    QAction* Action(int id) const;
    // Enables or disables every command whose bit is set in mask.
    void ApplyEnabled(std::uint32_t mask, bool enable);
    void SetChecked(int id, bool checked);
    bool Checked(int id) const;

  Q_SIGNALS:
    void Triggered(int id);

  private:
    void OnTriggered(int id);

    std::array<QAction*, kLastCommand> actions_{};
    std::uint32_t checked_ = 0;
};

}  // namespace zolt

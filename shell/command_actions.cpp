#include "shell/command_actions.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

#include "shell/art_icon_engine.h"
#include "shell/command_table.h"

namespace zolt {

CommandActions::CommandActions(QWidget* window) : QObject(window) {
    for (const CommandInfo& info : AllCommands()) {
        auto* action = new QAction(QString::fromUtf8(info.menuText), window);
        action->setObjectName(QStringLiteral("command-%1").arg(info.id));
        if (info.key != nullptr)
            action->setShortcut(QKeySequence(QString::fromLatin1(info.key)));
        if (info.toolTip != nullptr) {
            action->setToolTip(QString::fromUtf8(info.toolTip));
            action->setIcon(ArtIcon(info.art));
            // The pictures belong to the toolbar; the menu stays text.
            action->setIconVisibleInMenu(false);
        }
        action->setCheckable(info.checkable);
        action->setEnabled(!HasCommandBit(info.id));
        connect(action, &QAction::triggered, this, [this, id = info.id] { OnTriggered(id); });
        // Added to the window itself, the keys work whether or not the menu bar has them.
        window->addAction(action);
        actions_[static_cast<std::size_t>(info.id - 1)] = action;
    }
}

QAction* CommandActions::Action(int id) const {
    if (id < kFirstCommand || id > kLastCommand)
        return nullptr;
    return actions_[static_cast<std::size_t>(id - 1)];
}

void CommandActions::ApplyEnabled(std::uint32_t mask, bool enable) {
    for (int id = kFirstCommand; id <= kLastCommand; ++id) {
        QAction* action = Action(id);
        if (action != nullptr && HasCommandBit(id) && (mask & CommandBit(id)) != 0)
            action->setEnabled(enable);
    }
}

void CommandActions::SetChecked(int id, bool checked) {
    QAction* action = Action(id);
    if (action == nullptr || !action->isCheckable())
        return;
    if (checked)
        checked_ |= CommandBit(id);
    else
        checked_ &= ~CommandBit(id);
    action->setChecked(checked);
}

bool CommandActions::Checked(int id) const {
    return id >= kFirstCommand && id <= kLastCommand && (checked_ & CommandBit(id)) != 0;
}

void CommandActions::OnTriggered(int id) {
    // A checkable action flips its own mark when triggered; the mark is the command's to set.
    QAction* action = Action(id);
    if (action->isCheckable())
        action->setChecked(Checked(id));
    emit Triggered(id);
}

}  // namespace zolt

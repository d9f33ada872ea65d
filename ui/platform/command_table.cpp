#include "ui/platform/command_table.h"

#include <QAction>

#include <algorithm>

CommandTable::CommandTable(QObject* parent) : QObject(parent) {}

CommandTable::~CommandTable() = default;

QAction* CommandTable::add(int id, const QString& text, const QString& prompt, Handler handler,
                           Rule enabled, Rule checked) {
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setStatusTip(statusText(prompt));
    // Without a tooltip part the toolbar shows the menu text; an empty tooltip
    // would make Qt fall back to the text anyway.
    const QString tip = toolTipText(prompt);
    action->setToolTip(tip.isEmpty() ? statusText(prompt) : tip);
    connect(action, &QAction::triggered, this, [this, id] { execute(id); });
    commands_.insert(id,
                     Command{action, std::move(handler), std::move(enabled), std::move(checked)});
    update(commands_[id]);
    return action;
}

void CommandTable::bind(int id, Handler handler, Rule enabled, Rule checked) {
    auto found = commands_.find(id);
    if (found == commands_.end()) {
        return;
    }
    found->handler = std::move(handler);
    found->enabled = std::move(enabled);
    found->checked = std::move(checked);
    update(*found);
}

QAction* CommandTable::action(int id) const {
    auto found = commands_.find(id);
    return found == commands_.end() ? nullptr : found->action;
}

QList<int> CommandTable::ids() const {
    QList<int> all = commands_.keys();
    std::sort(all.begin(), all.end());
    return all;
}

void CommandTable::refresh() {
    for (auto& command : commands_) {
        update(command);
    }
}

bool CommandTable::execute(int id) {
    auto found = commands_.find(id);
    if (found == commands_.end()) {
        return false;
    }
    update(*found);
    if (!found->action->isEnabled() || !found->handler) {
        return false;
    }
    // The handler may change what the table holds (not the entry itself), so
    // run a copy.
    Handler handler = found->handler;
    struct Running {
        int& depth;
        explicit Running(int& d) : depth(d) { ++depth; }
        ~Running() { --depth; }
    };
    {
        const Running running(running_);
        handler();
    }
    refresh();
    return true;
}

bool CommandTable::isEnabled(int id) {
    auto found = commands_.find(id);
    if (found == commands_.end()) {
        return false;
    }
    update(*found);
    return found->action->isEnabled();
}

bool CommandTable::isChecked(int id) {
    auto found = commands_.find(id);
    if (found == commands_.end()) {
        return false;
    }
    update(*found);
    return found->action->isChecked();
}

QString CommandTable::statusText(const QString& prompt) {
    return prompt.section(QLatin1Char('\n'), 0, 0);
}

QString CommandTable::toolTipText(const QString& prompt) {
    const qsizetype lineFeed = prompt.indexOf(QLatin1Char('\n'));
    return lineFeed < 0 ? QString() : prompt.mid(lineFeed + 1);
}

void CommandTable::update(Command& command) {
    // A command without a handler does nothing and shows as disabled, as an
    // unhandled command does in the menu.
    const bool enabled = command.handler && (!command.enabled || command.enabled());
    if (command.action->isEnabled() != enabled) {
        command.action->setEnabled(enabled);
    }
    if (command.checked) {
        command.action->setCheckable(true);
        const bool checked = command.checked();
        if (command.action->isChecked() != checked) {
            command.action->setChecked(checked);
        }
    }
}

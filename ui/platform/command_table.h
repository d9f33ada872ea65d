#pragma once
// CommandTable: every command of the menus and the toolbar, by its number. Each
// command has one QAction shared by menu and toolbar, a handler, an enable rule
// and optionally a check rule. refresh() evaluates the rules; the main frame
// calls it every 100 ms and before a menu opens, so the enabled state follows
// the view's state and whether its worker is idle. The table owns the actions;
// the handlers and rules belong to whoever registered them.

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QAction;

class CommandTable : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;
    using Rule = std::function<bool()>;

    explicit CommandTable(QObject* parent = nullptr);
    ~CommandTable() override;

    // Registers id with its menu text and prompt ("status text\ntooltip"; a
    // prompt without a line feed has no tooltip). An empty enable rule means
    // always enabled; a check rule makes the action checkable.
    QAction* add(int id, const QString& text, const QString& prompt, Handler handler,
                 Rule enabled = {}, Rule checked = {});
    // Gives an already registered id its handler and rules (the view supplies
    // them for commands the frame lays out).
    void bind(int id, Handler handler, Rule enabled = {}, Rule checked = {});

    QAction* action(int id) const;
    bool contains(int id) const { return commands_.contains(id); }
    // Every registered command number, in ascending order.
    QList<int> ids() const;

    // Evaluates every rule and updates the actions.
    void refresh();
    // Evaluates id's rules; runs its handler only when it is enabled. Returns
    // whether the handler ran. The QAction's trigger comes here too.
    bool execute(int id);
    bool isEnabled(int id);
    bool isChecked(int id);
    // Whether a handler is running (with the dialogs it shows).
    bool isRunning() const { return running_ > 0; }

    // The status-bar part and the tooltip part of a prompt.
    static QString statusText(const QString& prompt);
    static QString toolTipText(const QString& prompt);

private:
    struct Command {
        QAction* action = nullptr;
        Handler handler;
        Rule enabled;
        Rule checked;
    };
    void update(Command& command);

    QHash<int, Command> commands_;
    int running_ = 0;
};

#pragma once

#include "ui/widgets/PushButton.h"

#include <QPointer>

#include <functional>

class QMenu;

// A playlist pane button that opens a popup menu above itself. The menu does not
// block: a chosen command goes to the command handler, and the state query is
// asked for every item's enabled and check state just before the menu shows.
class CPlMenuButton : public CPushButton
{
public:
    using CommandHandler = std::function<void(int command)>;
    using CommandState = std::function<void(int command, bool& enabled, bool& checked)>;

    CPlMenuButton(int menuId, int normal, int hover, int pressed);
    ~CPlMenuButton() override;

    void SetCommandHandler(CommandHandler handler) { m_OnCommand = std::move(handler); }
    void SetCommandState(CommandState query) { m_QueryState = std::move(query); }

    // The menu while it is open, else null.
    QMenu* OpenMenu() const { return m_pMenu.data(); }

protected:
    void OnClick() override;

private:
    int m_MenuId;
    CommandHandler m_OnCommand;
    CommandState m_QueryState;
    QPointer<QMenu> m_pMenu;
};

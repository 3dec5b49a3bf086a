#include "ui/widgets/PlMenuButton.h"

#include "ui/widgets/MenuResource.h"

#include <QMenu>
#include <QWidget>

CPlMenuButton::CPlMenuButton(int menuId, int normal, int hover, int pressed)
    : CPushButton(nullptr, normal, hover, pressed)
    , m_MenuId(menuId)
{
}

CPlMenuButton::~CPlMenuButton()
{
    delete m_pMenu.data();
}

void CPlMenuButton::OnClick()
{
    if (!Host())
        return;
    delete m_pMenu.data();
    auto* menu = new QMenu(Host());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const CMenuItemDef& item : LoadMenuResource(m_MenuId)) {
        if (item.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        const int command = item.command;
        bool enabled = true;
        bool checked = false;
        if (m_QueryState)
            m_QueryState(command, enabled, checked);
        action->setEnabled(enabled);
        if (checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        QObject::connect(action, &QAction::triggered, menu, [this, command] {
            if (m_OnCommand)
                m_OnCommand(command);
        });
    }
    m_pMenu = menu;
    // Bottom edge 5 pixels above the button's top-left corner.
    const QPoint corner = Host()->mapToGlobal(QPoint(m_rcButton.left, m_rcButton.top - 5));
    menu->popup(QPoint(corner.x(), corner.y() - menu->sizeHint().height()));
}

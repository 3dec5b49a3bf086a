#pragma once

#include <functional>
#include <map>

class QAction;
class QMainWindow;
class QMenu;

// The main window's menu bar, its accelerators (the menu items' and the
// clipboard keys) and the recent-file entries. Each item runs its command id
// through run; refresh re-evaluates the marks before a menu opens.
class CMainMenu
{
public:
    CMainMenu(QMainWindow& window, std::function<void(int id)> run, std::function<void()> refresh);

    void Create();
    QAction* Action(int id) const;
    const std::map<int, QAction*>& Actions() const { return m_Actions; }
    void RefreshRecentFiles();

private:
    QAction* AddCommand(QMenu* menu, int id, const char* text);

    QMainWindow& m_Window;
    std::function<void(int id)> m_Run;
    std::function<void()> m_Refresh;
    std::map<int, QAction*> m_Actions;
    QMenu* m_pRecentMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
};

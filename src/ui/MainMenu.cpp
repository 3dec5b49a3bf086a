// The main window's menus, accelerators and recent-file entries.
#include "ui/MainMenu.h"

#include "playlist/RecentFileList.h"
#include "ui/CommandIds.h"

#include <QActionGroup>
#include <QMainWindow>
#include <QMenuBar>

CMainMenu::CMainMenu(QMainWindow& window, std::function<void(int id)> run, std::function<void()> refresh)
    : m_Window(window)
    , m_Run(std::move(run))
    , m_Refresh(std::move(refresh))
{
}

QAction* CMainMenu::AddCommand(QMenu* menu, int id, const char* text)
{
    auto* action = new QAction(QString::fromLatin1(text), &m_Window);
    action->setData(id);
    if (menu)
        menu->addAction(action);
    else
        m_Window.addAction(action);
    QObject::connect(action, &QAction::triggered, &m_Window, [this, id] { m_Run(id); });
    m_Actions[id] = action;
    return action;
}

QAction* CMainMenu::Action(int id) const
{
    const auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

void CMainMenu::Create()
{
    using namespace CommandId;
    QMenu* file = m_Window.menuBar()->addMenu(QStringLiteral("&File"));
    AddCommand(file, OpenMedia, "&Open media...\tCtrl+M")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    AddCommand(file, OpenPlaylist, "Open playlist...\tCtrl+O")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    AddCommand(file, SavePlaylist, "&Save playlist...\tCtrl+Shift+S")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    file->addSeparator();
    m_pRecentMenu = file;
    m_pRecentSeparator = file->addSeparator();
    AddCommand(file, GeneralPreferences, "General Program Preferences");
    AddCommand(file, ResetPreferences, "Reset Preferences");
    file->addSeparator();
    AddCommand(file, Quit, "&Quit\tAlt+F4");
    QObject::connect(file, &QMenu::aboutToShow, &m_Window, [this] { RefreshRecentFiles(); });
    RefreshRecentFiles();

    QMenu* play = m_Window.menuBar()->addMenu(QStringLiteral("&Play"));
    AddCommand(play, PlayPause, "Play/Pause\tCtrl+P")
        ->setShortcuts({ QKeySequence(QStringLiteral("Ctrl+P")), QKeySequence(Qt::Key_Space) });
    AddCommand(play, Stop, "Stop\tCtrl+S")->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));

    QMenu* playlist = m_Window.menuBar()->addMenu(QStringLiteral("P&laylist"));
    AddCommand(playlist, PaneOpenPlaylist, "Open playlist\tCtrl+O");
    AddCommand(playlist, PaneSavePlaylist, "Save playlist\tCtrl+Shift+S");
    playlist->addSeparator();
    AddCommand(playlist, RepeatSingleTrack, "Repeat single Track")->setCheckable(true);
    AddCommand(playlist, LoopPlaylist, "Loop playlist")->setCheckable(true);
    AddCommand(playlist, AutoPlayNext, "Auto play next entry")->setCheckable(true);

    QMenu* view = m_Window.menuBar()->addMenu(QStringLiteral("&View"));
    AddCommand(view, PlayerA, "Player A\tAlt+A")->setShortcut(QKeySequence(QStringLiteral("Alt+A")));
    AddCommand(view, PlayerB, "Player B\tAlt+B")->setShortcut(QKeySequence(QStringLiteral("Alt+B")));
    Action(PlayerA)->setCheckable(true);
    Action(PlayerB)->setCheckable(true);
    view->addSeparator();
    AddCommand(view, Fullscreen, "Fullscreen\tAlt+Enter")
        ->setShortcuts(
            { QKeySequence(QStringLiteral("Alt+Return")), QKeySequence(QStringLiteral("Alt+Enter")) });
    AddCommand(view, AlwaysOnTop, "Always on top")->setCheckable(true);
    view->addSeparator();
    AddCommand(view, ZoomFit, "Fit to window")->setCheckable(true);
    // The zoom items show their keys but have no accelerators.
    auto* zoom = new QActionGroup(&m_Window);
    zoom->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const auto& [id, text] :
        { std::pair { Zoom50, "50%\tAlt+1" }, { Zoom100, "100%\tAlt+2" }, { Zoom200, "200%\tAlt+3" } }) {
        QAction* action = AddCommand(view, id, text);
        action->setCheckable(true);
        zoom->addAction(action);
    }
    view->addSeparator();
    AddCommand(view, ViewLogbook, "View Logbook");

    QMenu* help = m_Window.menuBar()->addMenu(QStringLiteral("&Help"));
    AddCommand(help, About, "&About...");

    // The clipboard accelerators; the playlist pane installs its own keys.
    AddCommand(nullptr, EditCopy, "")
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert) });
    AddCommand(nullptr, EditCut, "")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    AddCommand(nullptr, EditPaste, "")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));

    for (QMenu* menu : { file, play, playlist, view, help })
        QObject::connect(menu, &QMenu::aboutToShow, &m_Window, [this] { m_Refresh(); });
}

void CMainMenu::RefreshRecentFiles()
{
    for (int id = CommandId::RecentFileFirst; id <= CommandId::RecentFileLast; ++id) {
        if (QAction* action = Action(id)) {
            m_Actions.erase(id);
            delete action;
        }
    }
    const std::vector<std::string> files = GetRecentFileList();
    if (files.empty()) {
        QAction* none = AddCommand(nullptr, CommandId::RecentFileFirst, "Letzte Datei");
        none->setEnabled(false);
        m_pRecentMenu->insertAction(m_pRecentSeparator, none);
        return;
    }
    for (size_t i = 0;
         i < files.size() && i <= size_t(CommandId::RecentFileLast - CommandId::RecentFileFirst); ++i) {
        const int id = CommandId::RecentFileFirst + static_cast<int>(i);
        QAction* action = AddCommand(nullptr, id, "");
        action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromLocal8Bit(files[i].c_str())));
        action->setProperty("path", QString::fromLocal8Bit(files[i].c_str()));
        m_Window.removeAction(action);
        m_pRecentMenu->insertAction(m_pRecentSeparator, action);
    }
}

#pragma once

#include <QWidget>

#include <memory>

class CMessageTarget;
class CPlaylistCtrl;
class QTreeWidget;

// Stand-in for the playlist pane until it is merged: the playlist rows in a
// plain list (Nr, Name, Time; the playing entry in bold), double click to load,
// and the pane commands the main frame routes to it. Owns the playlist, whose
// destruction saves "LastPLS.dat" and the "Playlist" section.
class CRightView : public QWidget
{
    Q_OBJECT

public:
    explicit CRightView(QWidget* parent);
    ~CRightView() override;

    // Initialises the playlist with the frame as its owner (start-up rules).
    void OnInitialUpdate(CMessageTarget* frame);
    // A pane command (CommandId); false when this pane does not offer it.
    bool OnCommand(int id);
    bool IsCommandAvailable(int id) const;

    CPlaylistCtrl* GetPlaylistCtrl() const { return m_pPlaylist.get(); }
    QTreeWidget* List() const { return m_pList; }

private:
    void Refill();
    void AddFiles();

    std::unique_ptr<CPlaylistCtrl> m_pPlaylist;
    QTreeWidget* m_pList = nullptr;
    bool m_bInitialised = false;
};

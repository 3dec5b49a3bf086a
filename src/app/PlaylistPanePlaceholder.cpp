#include "app/PlaylistPanePlaceholder.h"

#include "app/CommandIds.h"
#include "app/UiServices.h"
#include "playback/BasePlayer.h"
#include "playlist/PlaylistCtrl.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

CRightView::CRightView(QWidget* parent)
    : QWidget(parent)
    , m_pPlaylist(std::make_unique<CPlaylistCtrl>(nullptr))
{
    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(3);
    m_pList->setHeaderHidden(true);
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_pList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_pList->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    QPalette pal = m_pList->palette();
    pal.setColor(QPalette::Base, QColor(0, 0, 64));
    pal.setColor(QPalette::Text, Qt::white);
    pal.setColor(QPalette::Highlight, QColor(100, 136, 200));
    m_pList->setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pList);

    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        m_pPlaylist->OnDoubleClick(m_pList->indexOfTopLevelItem(item));
    });
    m_pPlaylist->SetRedrawHandler([this] { Refill(); });
}

CRightView::~CRightView()
{
    m_pPlaylist->SetRedrawHandler({});
    m_pPlaylist->OnDestroy();
}

void CRightView::OnInitialUpdate(CMessageTarget* frame)
{
    if (m_bInitialised)
        return;
    m_pPlaylist->Init(frame);
    m_bInitialised = true;
    Refill();
}

void CRightView::Refill()
{
    const int count = m_pPlaylist->GetRowCount();
    const int32_t marked = m_pPlaylist->GetMarkedItem();
    m_pList->setUpdatesEnabled(false);
    while (m_pList->topLevelItemCount() > count)
        delete m_pList->takeTopLevelItem(m_pList->topLevelItemCount() - 1);
    for (int i = 0; i < count; ++i) {
        const CPlaylistCtrl::CRow* row = m_pPlaylist->GetRow(i);
        QTreeWidgetItem* item = m_pList->topLevelItem(i);
        if (!item)
            item = new QTreeWidgetItem(m_pList);
        item->setText(0, QString::fromLocal8Bit(row->m_Nr.c_str()));
        item->setText(1, QString::fromLocal8Bit(row->m_Name.c_str()));
        item->setText(2, QString::fromLocal8Bit(row->m_Time.c_str()));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        QFont font = item->font(1);
        font.setBold(row->m_Id == marked);
        for (int c = 0; c < 3; ++c) {
            item->setFont(c, font);
            item->setForeground(c, row->m_Id == marked ? QColor(121, 160, 255) : QColor(Qt::white));
        }
    }
    m_pList->setUpdatesEnabled(true);
}

void CRightView::AddFiles()
{
    std::vector<std::string> paths;
    if (!g_pUiServices
        || !g_pUiServices->GetOpenFileNames("Add Files to Playlist", "All files (*.*)|*.*||", paths))
        return;
    for (const std::string& path : paths)
        m_pPlaylist->AddEntry(path, m_pPlaylist->GetRowCount(), {}, {});
    m_pPlaylist->RenumberItems();
}

bool CRightView::IsCommandAvailable(int id) const
{
    switch (id) {
    case CommandId::PaneOpenPlaylist:
    case CommandId::PaneSavePlaylist:
    case CommandId::OpenPlaylist:
    case CommandId::SavePlaylist:
    case CommandId::RepeatSingleTrack:
    case CommandId::LoopPlaylist:
    case CommandId::AutoPlayNext:
    case CommandId::AddFiles:
    case CommandId::ClearPlaylist:
        return m_bInitialised;
    default:
        return false;
    }
}

bool CRightView::OnCommand(int id)
{
    if (!IsCommandAvailable(id))
        return false;
    switch (id) {
    case CommandId::PaneOpenPlaylist:
    case CommandId::OpenPlaylist:
        m_pPlaylist->OpenPlaylist({});
        break;
    case CommandId::PaneSavePlaylist:
    case CommandId::SavePlaylist:
        m_pPlaylist->SavePlaylist({});
        break;
    case CommandId::RepeatSingleTrack:
        m_pPlaylist->ToggleLoopSingleTrack();
        break;
    case CommandId::LoopPlaylist:
        m_pPlaylist->ToggleLoopList();
        break;
    case CommandId::AutoPlayNext:
        m_pPlaylist->ToggleAutoSkipTrack();
        break;
    case CommandId::AddFiles:
        AddFiles();
        break;
    case CommandId::ClearPlaylist:
        m_pPlaylist->RemoveAll();
        break;
    default:
        return false;
    }
    Refill();
    return true;
}

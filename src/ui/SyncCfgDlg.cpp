#include "ui/SyncCfgDlg.h"

#include "core/Preferences.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>

CSyncCfgDlg::CSyncCfgDlg(CPreferences& prefs, QWidget* parent)
    : QWidget(parent)
    , m_Prefs(prefs)
{
    m_pRole = new QComboBox(this);
    m_pRole->addItems({ QStringLiteral("Standalone"), QStringLiteral("Clock leader"),
        QStringLiteral("Follower of a leader") });
    m_pLeader = new QLineEdit(this);
    m_pLeader->setPlaceholderText(QStringLiteral("the leader's address or host name"));
    m_pPort = new QSpinBox(this);
    m_pPort->setRange(1, 65535);

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Role in a wall"), m_pRole);
    layout->addRow(QStringLiteral("Leader"), m_pLeader);
    layout->addRow(QStringLiteral("Clock Port"), m_pPort);
    auto* note = new QLabel(QStringLiteral("Takes effect at the next start. The leader's play, stop, cut and "
                                           "open commands then act on every member on the same frame."),
        this);
    note->setWordWrap(true);
    layout->addRow(note);
    connect(m_pRole, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    OnInitDialog();
}

void CSyncCfgDlg::OnInitDialog()
{
    m_pRole->setCurrentIndex(std::clamp(m_Prefs.m_iSyncRole, 0, 2));
    m_pLeader->setText(QString::fromStdString(m_Prefs.m_SyncLeader));
    m_pPort->setValue(m_Prefs.m_iSyncPort);
    UpdateControls();
}

void CSyncCfgDlg::OnOK()
{
    m_Prefs.m_iSyncRole = m_pRole->currentIndex();
    m_Prefs.m_SyncLeader = m_pLeader->text().trimmed().toStdString();
    m_Prefs.m_iSyncPort = m_pPort->value();
}

void CSyncCfgDlg::UpdateControls()
{
    m_pLeader->setEnabled(m_pRole->currentIndex() == 2);
    m_pPort->setEnabled(m_pRole->currentIndex() != 0);
}

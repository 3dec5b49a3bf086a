#include "ui/SyncCfgDlg.h"

#include "core/Preferences.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>

CSyncCfgDlg::CSyncCfgDlg(CPreferences& prefs, QWidget* parent)
    : CPrefsFormPage(prefs, parent)
{
    m_pRole = AddChoice(QStringLiteral("Role in a wall"),
        { QStringLiteral("Standalone"), QStringLiteral("Clock leader"),
            QStringLiteral("Follower of a leader") });
    m_pLeader = AddText(QStringLiteral("Leader"), QStringLiteral("the leader's address or host name"));
    m_pPort = AddNumber(QStringLiteral("Clock Port"), 1, 65535);
    AddNote(QStringLiteral("Takes effect at the next start. The leader's play, stop, cut and "
                           "open commands then act on every member on the same frame."));
    SetSelector(m_pRole);
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

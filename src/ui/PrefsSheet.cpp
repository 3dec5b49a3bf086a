#include "ui/PrefsSheet.h"

#include "ui/DmxCfgDlg.h"
#include "ui/GeneralCfgDlg.h"
#include "ui/SyncCfgDlg.h"

#include <QDialogButtonBox>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

CPrefsSheet::CPrefsSheet(
    CPreferences& prefs, CUiServices* ui, QWidget* parent, vexoNet::CNetworkSetup::Source adapterSource)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Program Preferences"));
    m_pTabs = new QTabWidget(this);
    m_pGeneral = new CGeneralCfgDlg(prefs, ui, std::move(adapterSource), m_pTabs);
    m_pTabs->addTab(m_pGeneral, QStringLiteral("General"));
    m_pDmx = new CDmxCfgDlg(prefs, m_pTabs);
    m_pTabs->addTab(m_pDmx, QStringLiteral("DMX"));
    m_pSync = new CSyncCfgDlg(prefs, m_pTabs);
    m_pTabs->addTab(m_pSync, QStringLiteral("Wall"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrefsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPrefsSheet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabs);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CPrefsSheet::showEvent(QShowEvent* event)
{
    // Every opening shows what is stored: what Cancel threw away, or a reset
    // since the sheet was built, must not linger on the page.
    if (!event->spontaneous()) {
        m_pGeneral->OnInitDialog();
        m_pDmx->OnInitDialog();
        m_pSync->OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CPrefsSheet::accept()
{
    m_pGeneral->OnOK();
    m_pDmx->OnOK();
    m_pSync->OnOK();
    QDialog::accept();
}

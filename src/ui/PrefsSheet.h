#pragma once

#include "net/NetworkSetup.h"

#include <QDialog>

class CDmxCfgDlg;
class CGeneralCfgDlg;
class CSyncCfgDlg;
class CPreferences;
class CUiServices;
class QTabWidget;

// The "Program Preferences" sheet with its General, DMX and Wall pages and OK / Cancel.
// Every opening reloads the page from the preferences object; OK writes the
// page back into it and Cancel leaves it untouched. The caller saves and
// applies the preferences after exec() returns Accepted.
class CPrefsSheet : public QDialog
{
    Q_OBJECT

public:
    CPrefsSheet(CPreferences& prefs, CUiServices* ui, QWidget* parent = nullptr,
        vexoNet::CNetworkSetup::Source adapterSource = {});

    CGeneralCfgDlg* GeneralPage() const { return m_pGeneral; }
    CDmxCfgDlg* DmxPage() const { return m_pDmx; }
    CSyncCfgDlg* SyncPage() const { return m_pSync; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTabWidget* m_pTabs = nullptr;
    CGeneralCfgDlg* m_pGeneral = nullptr;
    CDmxCfgDlg* m_pDmx = nullptr;
    CSyncCfgDlg* m_pSync = nullptr;
};

#pragma once

#include "ui/PrefsFormPage.h"

// The "Wall" page of the "Program Preferences" sheet: the player's role in a
// wall (standalone, clock leader, or follower of a leader's address) and the
// group clock's port. The clock is made at start-up, so a change takes effect
// at the next start; --sync, --sync-leader and --sync-port override it.
class CSyncCfgDlg : public CPrefsFormPage
{
    Q_OBJECT

public:
    explicit CSyncCfgDlg(CPreferences& prefs, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnOK() override;

    QComboBox* Role() const { return m_pRole; }
    QLineEdit* Leader() const { return m_pLeader; }
    QSpinBox* Port() const { return m_pPort; }

private:
    void UpdateControls() override;

    QComboBox* m_pRole = nullptr;
    QLineEdit* m_pLeader = nullptr;
    QSpinBox* m_pPort = nullptr;
};

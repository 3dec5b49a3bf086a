#pragma once

#include <QWidget>

class CPreferences;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The "Wall" page of the "Program Preferences" sheet: the player's role in a
// wall (standalone, clock leader, or follower of a leader's address) and the
// group clock's port. The clock is made at start-up, so a change takes effect
// at the next start; --sync, --sync-leader and --sync-port override it.
class CSyncCfgDlg : public QWidget
{
    Q_OBJECT

public:
    explicit CSyncCfgDlg(CPreferences& prefs, QWidget* parent = nullptr);

    void OnInitDialog();
    void OnOK();

    QComboBox* Role() const { return m_pRole; }
    QLineEdit* Leader() const { return m_pLeader; }
    QSpinBox* Port() const { return m_pPort; }

private:
    void UpdateControls();

    CPreferences& m_Prefs;
    QComboBox* m_pRole = nullptr;
    QLineEdit* m_pLeader = nullptr;
    QSpinBox* m_pPort = nullptr;
};

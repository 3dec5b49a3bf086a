#pragma once

#include "ui/PrefsFormPage.h"

// The "DMX" page of the "Program Preferences" sheet: where DMX show control
// comes from, olad's universe, the olad input patched to it and the start address. Like the General page,
// OnInitDialog loads the controls and OnOK writes them back.
class CDmxCfgDlg : public CPrefsFormPage
{
    Q_OBJECT

public:
    explicit CDmxCfgDlg(CPreferences& prefs, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnOK() override;

    QComboBox* Source() const { return m_pSource; }
    QSpinBox* Universe() const { return m_pUniverse; }
    QComboBox* Input() const { return m_pInput; }
    QSpinBox* Address() const { return m_pAddress; }

private:
    void UpdateControls() override;

    QComboBox* m_pSource = nullptr;
    QSpinBox* m_pUniverse = nullptr;
    QComboBox* m_pInput = nullptr;
    QSpinBox* m_pAddress = nullptr;
};

#include "ui/DmxCfgDlg.h"

#include "core/Preferences.h"

#include <QComboBox>
#include <QSpinBox>

#include <algorithm>

CDmxCfgDlg::CDmxCfgDlg(CPreferences& prefs, QWidget* parent)
    : CPrefsFormPage(prefs, parent)
{
    m_pSource = AddChoice(QStringLiteral("DMX Control"),
        { QStringLiteral("Off"), QStringLiteral("DMX input device"),
            QStringLiteral("Art-Net / sACN through OLA") });
    m_pUniverse = AddNumber(QStringLiteral("OLA Universe"), 1, 63999);
    // The order is the stored value (m_iDmxInput).
    m_pInput = AddChoice(
        QStringLiteral("OLA Input"), { QStringLiteral("sACN / E1.31"), QStringLiteral("Art-Net") });
    m_pAddress = AddNumber(QStringLiteral("Start Address"), 1, 512);
    AddNote(QStringLiteral("Channels from the start address: clip, control, level, full "
                           "screen (see the README's personality table)."));
    SetSelector(m_pSource);
    OnInitDialog();
}

void CDmxCfgDlg::OnInitDialog()
{
    m_pSource->setCurrentIndex(std::clamp(m_Prefs.m_iDmxSource, 0, 2));
    m_pUniverse->setValue(m_Prefs.m_iDmxUniverse);
    m_pInput->setCurrentIndex(std::clamp(m_Prefs.m_iDmxInput, 0, 1));
    m_pAddress->setValue(m_Prefs.m_iDmxAddress);
    UpdateControls();
}

void CDmxCfgDlg::OnOK()
{
    m_Prefs.m_iDmxSource = m_pSource->currentIndex();
    m_Prefs.m_iDmxUniverse = m_pUniverse->value();
    m_Prefs.m_iDmxInput = m_pInput->currentIndex();
    m_Prefs.m_iDmxAddress = m_pAddress->value();
}

void CDmxCfgDlg::UpdateControls()
{
    m_pUniverse->setEnabled(m_pSource->currentIndex() == 2);
    m_pInput->setEnabled(m_pSource->currentIndex() == 2);
    m_pAddress->setEnabled(m_pSource->currentIndex() != 0);
}

#include "ui/DmxCfgDlg.h"

#include "core/Preferences.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

#include <algorithm>

CDmxCfgDlg::CDmxCfgDlg(CPreferences& prefs, QWidget* parent)
    : QWidget(parent)
    , m_Prefs(prefs)
{
    m_pSource = new QComboBox(this);
    m_pSource->addItems({ QStringLiteral("Off"), QStringLiteral("DMX input device"),
        QStringLiteral("Art-Net / sACN through OLA") });
    m_pUniverse = new QSpinBox(this);
    m_pUniverse->setRange(1, 63999);
    // The order is the stored value (m_iDmxInput).
    m_pInput = new QComboBox(this);
    m_pInput->addItems({ QStringLiteral("sACN / E1.31"), QStringLiteral("Art-Net") });
    m_pAddress = new QSpinBox(this);
    m_pAddress->setRange(1, 512);

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("DMX Control"), m_pSource);
    layout->addRow(QStringLiteral("OLA Universe"), m_pUniverse);
    layout->addRow(QStringLiteral("OLA Input"), m_pInput);
    layout->addRow(QStringLiteral("Start Address"), m_pAddress);
    auto* channels = new QLabel(QStringLiteral("Channels from the start address: clip, control, level, full "
                                               "screen (see the README's personality table)."),
        this);
    channels->setWordWrap(true);
    layout->addRow(channels);
    connect(m_pSource, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
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

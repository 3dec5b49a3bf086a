#include "ui/GeneralCfgDlg.h"

#include "core/Preferences.h"
#include "core/UiServices.h"
#include "ui/widgets/BitmapResource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kRemoteNone = 0;
constexpr int kRemoteEthernet = 1;

QPixmap PictureStrip()
{
    const QSize size(CGeneralCfgDlg::kPictureWidth, CGeneralCfgDlg::kPictureHeight);
    const QString artwork = QStringLiteral(":/res/bitmap_195.png");
    if (QFile::exists(artwork)) {
        QPixmap pixmap(artwork);
        if (!pixmap.isNull())
            return pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // Until the artwork exists: a plain dark strip of the same size.
    return GradientPicture(size, QColor(28, 44, 72), QColor(4, 6, 12));
}

} // namespace

CGeneralCfgDlg::CGeneralCfgDlg(
    CPreferences& prefs, CUiServices* ui, vexoNet::CNetworkSetup::Source source, QWidget* parent)
    : QWidget(parent)
    , m_Prefs(prefs)
    , m_pUi(ui)
    , m_AdapterSource(source ? std::move(source) : &vexoNet::ReadSystemAdapters)
{
    setWindowTitle(QStringLiteral("General"));
    BuildControls();
    // The page eats the wheel everywhere on it: it must neither move the track
    // bar nor reach the main frame's volume wheel.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    OnInitDialog();
}

void CGeneralCfgDlg::BuildControls()
{
    m_pPicture = new QLabel(this);
    m_pPicture->setObjectName(QStringLiteral("bitmap_195"));
    m_pPicture->setFixedSize(kPictureWidth, kPictureHeight);
    m_pPicture->setPixmap(PictureStrip());

    auto* startup = new QGroupBox(QStringLiteral("Application Startup"), this);
    m_pShowSplash = new QCheckBox(QStringLiteral("Show splash screen"), startup);
    m_pFullScreen = new QCheckBox(QStringLiteral("Fullscreen on startup"), startup);
    m_pReloadPlaylist = new QCheckBox(QStringLiteral("Reload last playlist"), startup);
    auto* autoloadLabel = new QLabel(QStringLiteral("Autoload Playlist"), startup);
    m_pAutoPlaylist = new QLineEdit(startup);
    m_pBrowse = new QPushButton(QStringLiteral("..."), startup);
    m_pBrowse->setFixedWidth(m_pBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    m_pBrowse->setAutoDefault(false);
    m_pAutoPlayTrack = new QCheckBox(QStringLiteral("Autoplay 1st Track"), startup);
    m_pResumeShow = new QCheckBox(QStringLiteral("Resume the show after a crash"), startup);
    auto* startupLayout = new QGridLayout(startup);
    startupLayout->addWidget(m_pShowSplash, 0, 0, 1, 2);
    startupLayout->addWidget(m_pFullScreen, 1, 0, 1, 2);
    startupLayout->addWidget(m_pReloadPlaylist, 2, 0, 1, 2);
    startupLayout->addWidget(autoloadLabel, 3, 0, 1, 2);
    startupLayout->addWidget(m_pAutoPlaylist, 4, 0);
    startupLayout->addWidget(m_pBrowse, 4, 1);
    startupLayout->addWidget(m_pAutoPlayTrack, 5, 0, 1, 2);
    startupLayout->addWidget(m_pResumeShow, 6, 0, 1, 2);

    auto* misc = new QGroupBox(QStringLiteral("Misc"), this);
    m_pRemoteCtrl = new QComboBox(misc);
    // A sorted list in the original; these two sort in this order anyway.
    m_pRemoteCtrl->addItem(QStringLiteral("< none >"));
    m_pRemoteCtrl->addItem(QStringLiteral("Ethernet Control"));
    auto* miscLayout = new QFormLayout(misc);
    miscLayout->addRow(QStringLiteral("Remote Control"), m_pRemoteCtrl);
    m_pOscControl = new QCheckBox(QStringLiteral("OSC Control"), misc);
    m_pOscPort = new QSpinBox(misc);
    m_pOscPort->setRange(1, 65535);
    miscLayout->addRow(m_pOscControl, m_pOscPort);

    auto* audio = new QGroupBox(QStringLiteral("Audio"), this);
    m_pVolumeLabel = new QLabel(audio);
    m_pVolumeRange = new QSlider(Qt::Horizontal, audio);
    m_pVolumeRange->setTickPosition(QSlider::TicksBelow);
    m_pVolumeRange->setTickInterval(1);
    m_pVolumeRange->setPageStep(1);
    auto* audioLayout = new QVBoxLayout(audio);
    audioLayout->addWidget(m_pVolumeLabel);
    audioLayout->addWidget(m_pVolumeRange);

    auto* network = new QGroupBox(QStringLiteral("Network Adapter"), this);
    m_pAdapter = new QComboBox(network);
    m_pAdapter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pAdapter->setMinimumContentsLength(20);
    auto* networkLayout = new QFormLayout(network);
    networkLayout->addRow(QStringLiteral("Adapter"), m_pAdapter);

    auto* groups = new QVBoxLayout;
    groups->addWidget(startup);
    groups->addWidget(misc);
    groups->addWidget(audio);
    groups->addWidget(network);
    groups->addStretch(1);
    auto* page = new QHBoxLayout(this);
    page->addWidget(m_pPicture, 0, Qt::AlignTop);
    page->addLayout(groups, 1);

    m_Controls = { { IDC_SHOWSPLASH, m_pShowSplash }, { IDC_RELOADPLAYLIST, m_pReloadPlaylist },
        { IDC_FULLSCRONSTARTUP, m_pFullScreen }, { IDC_AUTOPLAYLIST, m_pAutoPlaylist },
        { IDC_BROWSEPLAYLIST, m_pBrowse }, { IDC_REMOTECTRL, m_pRemoteCtrl },
        { IDC_VOLUMERANGE, m_pVolumeRange }, { IDC_VOLUMELABEL, m_pVolumeLabel },
        { IDC_AUTOPLAYTRACK, m_pAutoPlayTrack }, { IDC_ADAPTER, m_pAdapter } };

    connect(m_pReloadPlaylist, &QCheckBox::clicked, this, &CGeneralCfgDlg::UpdateAutoloadControls);
    connect(m_pBrowse, &QPushButton::clicked, this, &CGeneralCfgDlg::OnBrowsePlaylist);
    // The label follows the thumb on release and on keyboard steps alike.
    connect(m_pVolumeRange, &QSlider::valueChanged, this, &CGeneralCfgDlg::OnVolumeRangeChanged);
}

QWidget* CGeneralCfgDlg::GetDlgItem(int id) const
{
    const auto it = m_Controls.find(id);
    return it == m_Controls.end() ? nullptr : it->second;
}

QString CGeneralCfgDlg::VolumeRangeText(int lowerDb)
{
    return QString::asprintf("Volume Range ( %ddB - 0dB )", lowerDb);
}

void CGeneralCfgDlg::OnInitDialog()
{
    m_pRemoteCtrl->setCurrentIndex(kRemoteEthernet);
    m_pVolumeRange->setRange(-10, -1);

    // Integer division rounds toward zero: 2500 shows -2 and OK stores 2000.
    {
        const QSignalBlocker quiet(m_pVolumeRange);
        m_pVolumeRange->setValue(m_Prefs.m_VolumeMin / -1000);
    }
    m_pVolumeLabel->setText(VolumeRangeText(m_pVolumeRange->value() * 10));

    m_pShowSplash->setChecked(m_Prefs.m_bShowSplash);
    m_pFullScreen->setChecked(m_Prefs.m_bFullScrOnStartup);
    m_pReloadPlaylist->setChecked(m_Prefs.m_bReloadPlaylist);
    m_pAutoPlayTrack->setChecked(m_Prefs.m_bAutoPlayTrack);
    m_pResumeShow->setChecked(m_Prefs.m_bResumeShow);
    // Only 1 turns remote control on, so any other stored value shows as "< none >".
    m_pRemoteCtrl->setCurrentIndex(m_Prefs.m_iRemoteCtrl == kRemoteEthernet ? kRemoteEthernet : kRemoteNone);
    m_pAutoPlaylist->setText(QString::fromStdString(m_Prefs.m_AutoPlaylist));
    m_pAutoPlaylist->setCursorPosition(0); // a long path shows its beginning
    m_pOscControl->setChecked(m_Prefs.m_bOscControl);
    m_pOscPort->setValue(m_Prefs.m_iOscPort);

    FillAdapterList();
    UpdateAutoloadControls();
}

void CGeneralCfgDlg::FillAdapterList()
{
    m_pAdapter->clear();
    m_pAdapter->addItem(QStringLiteral("Auto Select"), QString());
    const vexoNet::CNetworkSetup setup(m_AdapterSource);
    int selected = 0;
    for (int i = 0; i < setup.GetAdapterCount(); ++i) {
        const vexoNet::CNetworkAdapter* adapter = setup.GetAdapter(i);
        const std::string address = adapter->GetAddress();
        m_pAdapter->addItem(QString::asprintf("%s - %s", address.c_str(), adapter->GetDescription().c_str()),
            QString::fromStdString(address));
        // An adapter without an address never matches: binding to it means "any".
        if (selected == 0 && !address.empty() && address != "0.0.0.0" && address == m_Prefs.m_BindIpAddress)
            selected = m_pAdapter->count() - 1;
    }
    m_pAdapter->setCurrentIndex(selected);
}

void CGeneralCfgDlg::UpdateAutoloadControls()
{
    const bool enable = !m_pReloadPlaylist->isChecked();
    m_pAutoPlaylist->setEnabled(enable);
    m_pBrowse->setEnabled(enable);
    m_pAutoPlayTrack->setEnabled(enable);
}

void CGeneralCfgDlg::OnBrowsePlaylist()
{
    if (!m_pUi)
        return;
    std::string path;
    if (m_pUi->GetOpenFileName("Open", kPlaylistFilter, "m3u", m_pAutoPlaylist->text().toStdString(), path)) {
        m_pAutoPlaylist->setText(QString::fromStdString(path));
        m_pAutoPlaylist->setCursorPosition(0);
    }
}

void CGeneralCfgDlg::OnVolumeRangeChanged()
{
    m_pVolumeLabel->setText(VolumeRangeText(m_pVolumeRange->value() * 1000 / 100));
}

void CGeneralCfgDlg::OnOK()
{
    m_Prefs.m_bShowSplash = m_pShowSplash->isChecked();
    m_Prefs.m_bFullScrOnStartup = m_pFullScreen->isChecked();
    m_Prefs.m_bReloadPlaylist = m_pReloadPlaylist->isChecked();
    m_Prefs.m_bAutoPlayTrack = m_pAutoPlayTrack->isChecked();
    m_Prefs.m_bResumeShow = m_pResumeShow->isChecked();
    m_Prefs.m_iRemoteCtrl = m_pRemoteCtrl->currentIndex();
    m_Prefs.m_bOscControl = m_pOscControl->isChecked();
    m_Prefs.m_iOscPort = m_pOscPort->value();
    m_Prefs.m_AutoPlaylist = m_pAutoPlaylist->text().toStdString();
    m_Prefs.m_VolumeMin = m_pVolumeRange->value() * -1000;
    m_Prefs.m_BindIpAddress = m_pAdapter->currentData().toString().toStdString();
}

bool CGeneralCfgDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        // Handled and accepted: no parent widget gets to see it either.
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

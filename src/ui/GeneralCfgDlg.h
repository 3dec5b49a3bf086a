#pragma once

#include "net/NetworkSetup.h"

#include <QWidget>

#include <map>

class CPreferences;
class CUiServices;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

// The "General" page of the "Program Preferences" sheet. OnInitDialog loads the
// controls from the preferences object on construction and each time the page
// is opened again; OnOK
// writes them back (Cancel simply never calls it). Saving and applying the
// preferences are the caller's business.
// Invariant: the autoload controls are disabled exactly while "Reload last
// playlist" is ticked.
class CGeneralCfgDlg : public QWidget
{
    Q_OBJECT

public:
    static constexpr int IDD = 195;
    static constexpr int IDC_SHOWSPLASH = 1009;
    static constexpr int IDC_RELOADPLAYLIST = 1010;
    static constexpr int IDC_FULLSCRONSTARTUP = 1011;
    static constexpr int IDC_AUTOPLAYLIST = 1012;
    static constexpr int IDC_BROWSEPLAYLIST = 1013;
    static constexpr int IDC_REMOTECTRL = 1018;
    static constexpr int IDC_VOLUMERANGE = 1022;
    static constexpr int IDC_VOLUMELABEL = 1023;
    static constexpr int IDC_AUTOPLAYTRACK = 1028;
    static constexpr int IDC_ADAPTER = 1031;
    static constexpr const char* kPlaylistFilter
        = "PLS or M3U Playlist|*.m3u;*.pls|M3U Playlist|*.m3u|PLS Playlist|*.pls|All files (*.*)|*.*||";
    static constexpr int kPictureWidth = 110; // bitmap 195, the picture strip
    static constexpr int kPictureHeight = 416;

    // ui runs the browse dialog (null: browsing does nothing); source: where the
    // adapter list comes from, empty means this machine's adapters.
    CGeneralCfgDlg(CPreferences& prefs, CUiServices* ui, vexoNet::CNetworkSetup::Source source = {},
        QWidget* parent = nullptr);

    void OnInitDialog();
    void OnOK();

    // The control with a dialog id above; null for an unknown id.
    QWidget* GetDlgItem(int id) const;

    // "Volume Range ( %ddB - 0dB )"
    static QString VolumeRangeText(int lowerDb);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void FillAdapterList();
    void UpdateAutoloadControls();
    void OnBrowsePlaylist();
    void OnVolumeRangeChanged();

    CPreferences& m_Prefs;
    CUiServices* m_pUi;
    vexoNet::CNetworkSetup::Source m_AdapterSource;
    std::map<int, QWidget*> m_Controls;
    QLabel* m_pPicture = nullptr;
    QCheckBox* m_pShowSplash = nullptr;
    QCheckBox* m_pFullScreen = nullptr;
    QCheckBox* m_pReloadPlaylist = nullptr;
    QLineEdit* m_pAutoPlaylist = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QCheckBox* m_pAutoPlayTrack = nullptr;
    QCheckBox* m_pResumeShow = nullptr;
    QComboBox* m_pRemoteCtrl = nullptr;
    QCheckBox* m_pOscControl = nullptr;
    QSpinBox* m_pOscPort = nullptr;
    QLabel* m_pVolumeLabel = nullptr;
    QSlider* m_pVolumeRange = nullptr;
    QComboBox* m_pAdapter = nullptr;
};

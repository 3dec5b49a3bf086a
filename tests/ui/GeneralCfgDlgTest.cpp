#include "ui/GeneralCfgDlg.h"
#include "core/Preferences.h"
#include "support/ScriptedUi.h"
#include "ui/DmxCfgDlg.h"
#include "ui/PrefsSheet.h"
#include "ui/SyncCfgDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QWheelEvent>
#include <gtest/gtest.h>

using vexoNet::AdapterRecord;

namespace {

AdapterRecord Adapter(const std::string& description, const std::string& address)
{
    AdapterRecord record;
    record.name = description;
    record.description = description;
    record.addresses.push_back({ address, "255.255.255.0" });
    return record;
}

vexoNet::CNetworkSetup::Source Adapters(std::vector<AdapterRecord> records)
{
    return [records] { return records; };
}

const auto kTwoAdapters
    = Adapters({ Adapter("Intel Ethernet", "10.0.0.5"), Adapter("Show LAN", "192.168.1.20") });

template <typename T> T* Item(const CGeneralCfgDlg& page, int id)
{
    auto* control = qobject_cast<T*>(page.GetDlgItem(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
}

QStringList Texts(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

bool AutoloadEnabled(const CGeneralCfgDlg& page)
{
    const bool edit = page.GetDlgItem(CGeneralCfgDlg::IDC_AUTOPLAYLIST)->isEnabled();
    EXPECT_EQ(page.GetDlgItem(CGeneralCfgDlg::IDC_BROWSEPLAYLIST)->isEnabled(), edit);
    EXPECT_EQ(page.GetDlgItem(CGeneralCfgDlg::IDC_AUTOPLAYTRACK)->isEnabled(), edit);
    return edit;
}

} // namespace

TEST(GeneralCfgDlg, VolumeRangeIsShownAndStoredInWholeTensOfDecibels)
{
    CPreferences prefs(CPreferences::Defaults {});
    CGeneralCfgDlg page(prefs, nullptr, Adapters({}));
    auto* slider = Item<QSlider>(page, CGeneralCfgDlg::IDC_VOLUMERANGE);
    auto* label = Item<QLabel>(page, CGeneralCfgDlg::IDC_VOLUMELABEL);
    EXPECT_EQ(slider->minimum(), -10);
    EXPECT_EQ(slider->maximum(), -1);
    EXPECT_EQ(slider->value(), -3);
    EXPECT_EQ(label->text(), "Volume Range ( -30dB - 0dB )");

    prefs.m_VolumeMin = 2500;
    page.OnInitDialog();
    EXPECT_EQ(slider->value(), -2);
    EXPECT_EQ(label->text(), "Volume Range ( -20dB - 0dB )");
    page.OnOK();
    EXPECT_EQ(prefs.m_VolumeMin, 2000);

    slider->setValue(-7);
    EXPECT_EQ(label->text(), "Volume Range ( -70dB - 0dB )");
    page.OnOK();
    EXPECT_EQ(prefs.m_VolumeMin, 7000);

    // Stored values outside the page's range come back as its nearest end.
    prefs.m_VolumeMin = 25000;
    page.OnInitDialog();
    page.OnOK();
    EXPECT_EQ(prefs.m_VolumeMin, 10000);
}

TEST(GeneralCfgDlg, CheckBoxesRemoteControlAndPlaylistRoundTrip)
{
    CPreferences prefs(CPreferences::Defaults {});
    prefs.m_bShowSplash = false;
    prefs.m_bFullScrOnStartup = true;
    prefs.m_bReloadPlaylist = false;
    prefs.m_bAutoPlayTrack = true;
    prefs.m_AutoPlaylist = "/shows/act 1.m3u";
    prefs.m_iRemoteCtrl = 0;
    CGeneralCfgDlg page(prefs, nullptr, Adapters({}));

    auto* remote = Item<QComboBox>(page, CGeneralCfgDlg::IDC_REMOTECTRL);
    EXPECT_EQ(Texts(remote), QStringList({ "< none >", "Ethernet Control" }));
    EXPECT_EQ(remote->currentText(), "< none >");
    EXPECT_FALSE(Item<QCheckBox>(page, CGeneralCfgDlg::IDC_SHOWSPLASH)->isChecked());
    EXPECT_TRUE(Item<QCheckBox>(page, CGeneralCfgDlg::IDC_FULLSCRONSTARTUP)->isChecked());
    EXPECT_EQ(Item<QLineEdit>(page, CGeneralCfgDlg::IDC_AUTOPLAYLIST)->text(), "/shows/act 1.m3u");

    CPreferences stored = prefs;
    page.OnOK();
    EXPECT_EQ(prefs.m_iRemoteCtrl, 0);
    EXPECT_EQ(prefs.m_bShowSplash, stored.m_bShowSplash);
    EXPECT_EQ(prefs.m_bFullScrOnStartup, stored.m_bFullScrOnStartup);
    EXPECT_EQ(prefs.m_bReloadPlaylist, stored.m_bReloadPlaylist);
    EXPECT_EQ(prefs.m_bAutoPlayTrack, stored.m_bAutoPlayTrack);
    EXPECT_EQ(prefs.m_AutoPlaylist, stored.m_AutoPlaylist);

    remote->setCurrentIndex(1);
    Item<QCheckBox>(page, CGeneralCfgDlg::IDC_SHOWSPLASH)->setChecked(true);
    page.OnOK();
    EXPECT_EQ(prefs.m_iRemoteCtrl, 1);
    EXPECT_TRUE(prefs.m_bShowSplash);

    // Only 1 switches remote control on; anything else is shown, and kept, as none.
    prefs.m_iRemoteCtrl = 7;
    page.OnInitDialog();
    EXPECT_EQ(remote->currentText(), "< none >");
    page.OnOK();
    EXPECT_EQ(prefs.m_iRemoteCtrl, 0);
}

TEST(GeneralCfgDlg, AdapterListSelectsTheBoundAddressOrAutoSelect)
{
    CPreferences prefs(CPreferences::Defaults {});
    prefs.m_BindIpAddress = "192.168.1.20";
    CGeneralCfgDlg page(prefs, nullptr, kTwoAdapters);
    auto* adapters = Item<QComboBox>(page, CGeneralCfgDlg::IDC_ADAPTER);
    EXPECT_EQ(Texts(adapters),
        QStringList({ "Auto Select", "10.0.0.5 - Intel Ethernet", "192.168.1.20 - Show LAN" }));
    EXPECT_EQ(adapters->currentIndex(), 2);
    page.OnOK();
    EXPECT_EQ(prefs.m_BindIpAddress, "192.168.1.20");

    adapters->setCurrentIndex(1);
    page.OnOK();
    EXPECT_EQ(prefs.m_BindIpAddress, "10.0.0.5");

    prefs.m_BindIpAddress = "10.9.9.9"; // an adapter that has gone away
    page.OnInitDialog();
    EXPECT_EQ(adapters->count(), 3) << "reopening rebuilds the list, it does not append";
    EXPECT_EQ(adapters->currentText(), "Auto Select");
    page.OnOK();
    EXPECT_EQ(prefs.m_BindIpAddress, "");
}

TEST(GeneralCfgDlg, DisconnectedAdapterIsListedButNeverMatched)
{
    CPreferences prefs(CPreferences::Defaults {});
    prefs.m_BindIpAddress = "0.0.0.0";
    CGeneralCfgDlg page(prefs, nullptr, Adapters({ Adapter("Unplugged", "0.0.0.0") }));
    auto* adapters = Item<QComboBox>(page, CGeneralCfgDlg::IDC_ADAPTER);
    EXPECT_EQ(Texts(adapters), QStringList({ "Auto Select", "0.0.0.0 - Unplugged" }));
    EXPECT_EQ(adapters->currentIndex(), 0);

    CGeneralCfgDlg none(prefs, nullptr, Adapters({}));
    EXPECT_EQ(Texts(Item<QComboBox>(none, CGeneralCfgDlg::IDC_ADAPTER)), QStringList({ "Auto Select" }));
}

TEST(GeneralCfgDlg, ReloadLastPlaylistGreysTheAutoloadControls)
{
    CPreferences prefs(CPreferences::Defaults {}); // m_bReloadPlaylist on
    CPrefsSheet sheet(prefs, nullptr, nullptr, Adapters({}));
    sheet.show();
    CGeneralCfgDlg& page = *sheet.GeneralPage();
    auto* reload = Item<QCheckBox>(page, CGeneralCfgDlg::IDC_RELOADPLAYLIST);
    EXPECT_FALSE(AutoloadEnabled(page));

    reload->click(); // untick: at once
    EXPECT_TRUE(AutoloadEnabled(page));
    reload->click();
    EXPECT_FALSE(AutoloadEnabled(page));
    reload->click();
    sheet.accept();
    EXPECT_FALSE(prefs.m_bReloadPlaylist);

    sheet.show(); // the next opening follows the stored value
    EXPECT_TRUE(AutoloadEnabled(page));
    reload->click();
    sheet.accept();
    EXPECT_TRUE(prefs.m_bReloadPlaylist);
    sheet.show();
    EXPECT_FALSE(AutoloadEnabled(page));

    // Cancel keeps the stored value, and the next opening shows it again.
    reload->click();
    sheet.reject();
    EXPECT_TRUE(prefs.m_bReloadPlaylist);
    sheet.show();
    EXPECT_TRUE(reload->isChecked());
    EXPECT_FALSE(AutoloadEnabled(page));
    sheet.reject();
}

TEST(GeneralCfgDlg, CancelLeavesThePreferencesUntouched)
{
    CPreferences prefs(CPreferences::Defaults {});
    prefs.m_BindIpAddress = "10.0.0.5";
    const CPreferences before = prefs;
    CPrefsSheet sheet(prefs, nullptr, nullptr, kTwoAdapters);
    EXPECT_EQ(sheet.windowTitle(), "Program Preferences");
    sheet.show();
    CGeneralCfgDlg& page = *sheet.GeneralPage();
    Item<QSlider>(page, CGeneralCfgDlg::IDC_VOLUMERANGE)->setValue(-9);
    Item<QComboBox>(page, CGeneralCfgDlg::IDC_ADAPTER)->setCurrentIndex(0);
    Item<QComboBox>(page, CGeneralCfgDlg::IDC_REMOTECTRL)->setCurrentIndex(0);
    Item<QLineEdit>(page, CGeneralCfgDlg::IDC_AUTOPLAYLIST)->setText("x.pls");
    sheet.reject();
    EXPECT_EQ(prefs.m_VolumeMin, before.m_VolumeMin);
    EXPECT_EQ(prefs.m_BindIpAddress, before.m_BindIpAddress);
    EXPECT_EQ(prefs.m_iRemoteCtrl, before.m_iRemoteCtrl);
    EXPECT_EQ(prefs.m_AutoPlaylist, before.m_AutoPlaylist);
}

TEST(GeneralCfgDlg, BrowseAsksForAnExistingPlaylist)
{
    ScriptedUi ui;
    CPreferences prefs(CPreferences::Defaults {});
    prefs.m_bReloadPlaylist = false;
    prefs.m_AutoPlaylist = "/old.pls";
    CGeneralCfgDlg page(prefs, &ui, Adapters({}));
    auto* browse = Item<QPushButton>(page, CGeneralCfgDlg::IDC_BROWSEPLAYLIST);
    auto* edit = Item<QLineEdit>(page, CGeneralCfgDlg::IDC_AUTOPLAYLIST);
    EXPECT_EQ(browse->text(), "...");

    browse->click(); // cancelled: no answer scripted
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].kind, "open");
    EXPECT_EQ(ui.dialogs[0].filter,
        "PLS or M3U Playlist|*.m3u;*.pls|M3U Playlist|*.m3u|PLS Playlist|*.pls|All files (*.*)|*.*||");
    EXPECT_EQ(ui.dialogs[0].defaultExt, "m3u");
    EXPECT_EQ(edit->text(), "/old.pls");

    ui.answers.push_back("/shows/opening night.m3u");
    browse->click();
    EXPECT_EQ(edit->text(), "/shows/opening night.m3u");
    page.OnOK();
    EXPECT_EQ(prefs.m_AutoPlaylist, "/shows/opening night.m3u");
}

namespace {

// Stands in for the main frame: counts the wheel events that reach it.
class WheelCounter : public QWidget
{
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        ++wheels;
        event->accept();
    }
};

void Wheel(QWidget* target)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST(GeneralCfgDlg, MouseWheelIsSwallowedByThePage)
{
    CPreferences prefs(CPreferences::Defaults {});
    prefs.m_BindIpAddress = "10.0.0.5";
    WheelCounter frame;
    auto* page = new CGeneralCfgDlg(prefs, nullptr, kTwoAdapters, &frame);
    frame.show();
    auto* slider = Item<QSlider>(*page, CGeneralCfgDlg::IDC_VOLUMERANGE);
    auto* adapters = Item<QComboBox>(*page, CGeneralCfgDlg::IDC_ADAPTER);
    const int volume = slider->value();
    const int adapter = adapters->currentIndex();

    Wheel(slider);
    Wheel(adapters);
    Wheel(page);
    EXPECT_EQ(slider->value(), volume);
    EXPECT_EQ(adapters->currentIndex(), adapter);
    EXPECT_EQ(frame.wheels, 0);

    // The counter does see a wheel that does not come through the page.
    Wheel(&frame);
    EXPECT_EQ(frame.wheels, 1);
}

TEST(GeneralCfgDlg, ControlsLieInsideThePageWithoutOverlapping)
{
    CPreferences prefs(CPreferences::Defaults {});
    prefs.m_bReloadPlaylist = false;
    prefs.m_AutoPlaylist = "/home/show/Playlists/opening night.m3u";
    prefs.m_BindIpAddress = "192.168.1.20";
    CPrefsSheet sheet(prefs, nullptr, nullptr, kTwoAdapters);
    sheet.show();
    const CGeneralCfgDlg& page = *sheet.GeneralPage();

    std::vector<QWidget*> controls;
    for (int id : { CGeneralCfgDlg::IDC_SHOWSPLASH, CGeneralCfgDlg::IDC_FULLSCRONSTARTUP,
             CGeneralCfgDlg::IDC_RELOADPLAYLIST, CGeneralCfgDlg::IDC_AUTOPLAYLIST,
             CGeneralCfgDlg::IDC_BROWSEPLAYLIST, CGeneralCfgDlg::IDC_AUTOPLAYTRACK,
             CGeneralCfgDlg::IDC_REMOTECTRL, CGeneralCfgDlg::IDC_VOLUMELABEL, CGeneralCfgDlg::IDC_VOLUMERANGE,
             CGeneralCfgDlg::IDC_ADAPTER })
        controls.push_back(page.GetDlgItem(id));
    auto* picture = page.findChild<QLabel*>(QStringLiteral("bitmap_195"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(CGeneralCfgDlg::kPictureWidth, CGeneralCfgDlg::kPictureHeight));
    controls.push_back(picture);

    std::vector<QRect> rects;
    for (QWidget* control : controls) {
        ASSERT_TRUE(control->isVisible());
        const QRect rect(control->mapTo(&page, QPoint(0, 0)), control->size());
        EXPECT_TRUE(page.rect().contains(rect)) << control->metaObject()->className();
        if (qobject_cast<QCheckBox*>(control)
            || control == page.GetDlgItem(CGeneralCfgDlg::IDC_VOLUMELABEL)) {
            EXPECT_GE(control->width(), control->sizeHint().width()) << "text cut off";
        }
        for (const QRect& other : rects)
            EXPECT_FALSE(rect.intersects(other)) << control->metaObject()->className();
        rects.push_back(rect);
    }

    // ZUVIO_SCREENSHOT=file.png keeps a picture of the sheet for a human to look at.
    const QString shot = qEnvironmentVariable("ZUVIO_SCREENSHOT");
    if (!shot.isEmpty()) {
        EXPECT_TRUE(sheet.grab().save(shot));
    }
}

// The wall's role: a follower needs its leader; OK stores all three, Cancel none.
TEST(GeneralCfgDlg, WallPageStoresTheRoleLeaderAndPort)
{
    CPreferences prefs(CPreferences::Defaults {});
    CPrefsSheet sheet(prefs, nullptr, nullptr, Adapters({}));
    CSyncCfgDlg* page = sheet.SyncPage();
    EXPECT_EQ(page->Role()->currentIndex(), 0);
    EXPECT_FALSE(page->Leader()->isEnabled());
    page->Role()->setCurrentIndex(2);
    EXPECT_TRUE(page->Leader()->isEnabled());
    page->Leader()->setText(QStringLiteral(" 10.0.0.7 "));
    page->Port()->setValue(31999);
    sheet.reject();
    EXPECT_EQ(prefs.m_iSyncRole, 0);
    page->Role()->setCurrentIndex(2);
    page->Leader()->setText(QStringLiteral(" 10.0.0.7 "));
    page->Port()->setValue(31999);
    sheet.accept();
    EXPECT_EQ(prefs.m_iSyncRole, 2);
    EXPECT_EQ(prefs.m_SyncLeader, "10.0.0.7");
    EXPECT_EQ(prefs.m_iSyncPort, 31999);
}

// The olad input the player patches: offered only with OLA as the source, and
// stored by OK beside the universe.
TEST(GeneralCfgDlg, DmxPageStoresTheOlaInput)
{
    CPreferences prefs(CPreferences::Defaults {});
    CPrefsSheet sheet(prefs, nullptr, nullptr, Adapters({}));
    CDmxCfgDlg* page = sheet.DmxPage();
    EXPECT_EQ(page->Input()->currentText(), QStringLiteral("sACN / E1.31"));
    EXPECT_FALSE(page->Input()->isEnabled());
    page->Source()->setCurrentIndex(2);
    EXPECT_TRUE(page->Input()->isEnabled());
    page->Input()->setCurrentIndex(1);
    page->Universe()->setValue(3);
    sheet.accept();
    EXPECT_EQ(prefs.m_iDmxSource, 2);
    EXPECT_EQ(prefs.m_iDmxInput, 1);
    EXPECT_EQ(prefs.m_iDmxUniverse, 3);
}

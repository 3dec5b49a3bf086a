#include "core/Preferences.h"
#include "core/Profile.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

class PreferencesTest : public testing::Test
{
protected:
    void SetUp() override { QFile::remove(QString::fromStdString(ProfilePath())); }
    void TearDown() override { QFile::remove(QString::fromStdString(ProfilePath())); }

    static QByteArray FileText()
    {
        QFile file(QString::fromStdString(ProfilePath()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void WriteFile(const QByteArray& text)
    {
        const QString path = QString::fromStdString(ProfilePath());
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
};

} // namespace

TEST_F(PreferencesTest, EmptyStoreGivesTheDefaults)
{
    CPreferences prefs;
    EXPECT_EQ(prefs.m_VolumeMin, 3000);
    EXPECT_TRUE(prefs.m_bShowSplash);
    EXPECT_FALSE(prefs.m_bFullScrOnStartup);
    EXPECT_TRUE(prefs.m_bReloadPlaylist);
    EXPECT_FALSE(prefs.m_bAutoPlayTrack);
    EXPECT_EQ(prefs.m_AutoPlaylist, "");
    EXPECT_EQ(prefs.m_iRemoteCtrl, 1);
    EXPECT_EQ(prefs.m_BindIpAddress, "");
}

TEST_F(PreferencesTest, SaveWritesReadableSectionsAndLoadRestores)
{
    CPreferences prefs;
    prefs.m_VolumeMin = 5000;
    prefs.m_bShowSplash = false;
    prefs.m_AutoPlaylist = "/shows/day one.m3u";
    prefs.m_BindIpAddress = "10.0.0.5";
    ASSERT_TRUE(prefs.Save());
    ASSERT_TRUE(WriteProfileInt("Video", "ZoomLevel", 200));

    const QByteArray text = FileText();
    EXPECT_TRUE(text.contains("[General]\n")) << text.constData();
    EXPECT_FALSE(text.contains("%General"));
    EXPECT_TRUE(text.contains("m_VolumeMin=5000"));
    EXPECT_TRUE(text.contains("m_bShowSplash=0"));
    EXPECT_TRUE(text.contains("[Video]\nZoomLevel=200"));

    CPreferences again;
    EXPECT_EQ(again.m_VolumeMin, 5000);
    EXPECT_FALSE(again.m_bShowSplash);
    EXPECT_EQ(again.m_AutoPlaylist, "/shows/day one.m3u");
    EXPECT_EQ(again.m_BindIpAddress, "10.0.0.5");
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", 100), 200);
}

TEST_F(PreferencesTest, GarbageValuesReadAsDefaults)
{
    WriteFile("[General]\nm_VolumeMin=loud\nm_iRemoteCtrl=\nm_bShowSplash=7\n[Video]\nZoomLevel=1e9x\n");
    CPreferences prefs;
    EXPECT_EQ(prefs.m_VolumeMin, 3000);
    EXPECT_EQ(prefs.m_iRemoteCtrl, 1);
    EXPECT_TRUE(prefs.m_bShowSplash) << "any non-zero integer is true";
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", 100), 100);
}

TEST_F(PreferencesTest, ResetGivesDefaultsWithoutWriting)
{
    CPreferences prefs;
    prefs.m_VolumeMin = 9000;
    prefs.m_iRemoteCtrl = 0;
    ASSERT_TRUE(prefs.Save());
    prefs.ResetToDefaults();
    EXPECT_EQ(prefs.m_VolumeMin, 3000);
    EXPECT_EQ(prefs.m_iRemoteCtrl, 1);
    EXPECT_EQ(CPreferences().m_VolumeMin, 9000) << "reset alone does not save";
}

TEST_F(PreferencesTest, FileIsReadableAndKeepsAnyPathExactly)
{
    EXPECT_EQ(QFileInfo(QString::fromStdString(ProfilePath())).fileName(), "Zuvio.conf");
    const std::string odd = std::string("/shows/caf\xe9 = \"live\";\\n ") + "x";
    ASSERT_TRUE(WriteProfileString("Recent File List", "File1", odd));
    ASSERT_TRUE(WriteProfileString("General", "m_AutoPlaylist", "a\nb\rc\\d"));
    ASSERT_TRUE(WriteProfileInt("CtrlBar", "m_Volume", 1500));

    const QByteArray text = FileText();
    EXPECT_TRUE(text.startsWith("[General]\nm_AutoPlaylist=a\\nb\\rc\\\\d\n")) << text.constData();
    EXPECT_TRUE(text.contains("\n[Recent File List]\nFile1=")) << "section names are written as they are";
    EXPECT_TRUE(text.contains("\n[CtrlBar]\nm_Volume=1500\n"));

    EXPECT_EQ(GetProfileString("Recent File List", "File1"), odd);
    EXPECT_EQ(GetProfileString("General", "m_AutoPlaylist"), "a\nb\rc\\d");
}

TEST_F(PreferencesTest, HandEditedFilesAreRead)
{
    WriteFile("; comment\n# another\nm_VolumeMin=4000\n[General]\nm_bShowSplash=0\r\n"
              "garbage line\n=no key\n[Video]\n ZoomLevel = 50\n[Recent File List]\nFile2=/a b/c.m3u\n");
    CPreferences prefs;
    EXPECT_EQ(prefs.m_VolumeMin, 4000) << "keys before any section belong to General";
    EXPECT_FALSE(prefs.m_bShowSplash);
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", 100), 50);
    EXPECT_EQ(GetProfileString("Recent File List", "File2"), "/a b/c.m3u");
}

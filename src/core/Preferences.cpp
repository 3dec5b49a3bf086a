#include "core/Preferences.h"

#include "core/Profile.h"

namespace {
constexpr const char* kSection = "General";
}

CPreferences::CPreferences()
{
    Load();
}

void CPreferences::ResetToDefaults()
{
    *this = CPreferences(CPreferences::Defaults {});
}

void CPreferences::Load()
{
    const CPreferences d(Defaults {});
    m_VolumeMin = GetProfileInt(kSection, "m_VolumeMin", d.m_VolumeMin);
    m_bShowSplash = GetProfileInt(kSection, "m_bShowSplash", d.m_bShowSplash) != 0;
    m_bFullScrOnStartup = GetProfileInt(kSection, "m_bFullScrOnStartup", d.m_bFullScrOnStartup) != 0;
    m_bReloadPlaylist = GetProfileInt(kSection, "m_bReloadPlaylist", d.m_bReloadPlaylist) != 0;
    m_bAutoPlayTrack = GetProfileInt(kSection, "m_bAutoPlayTrack", d.m_bAutoPlayTrack) != 0;
    m_AutoPlaylist = GetProfileString(kSection, "m_AutoPlaylist", d.m_AutoPlaylist);
    m_iRemoteCtrl = GetProfileInt(kSection, "m_iRemoteCtrl", d.m_iRemoteCtrl);
    m_BindIpAddress = GetProfileString(kSection, "m_BindIpAddress", d.m_BindIpAddress);
    m_bOscControl = GetProfileInt(kSection, "m_bOscControl", d.m_bOscControl) != 0;
    m_iOscPort = GetProfileInt(kSection, "m_iOscPort", d.m_iOscPort);
    m_OscFeedback = GetProfileString(kSection, "m_OscFeedback", d.m_OscFeedback);
    m_iDmxSource = GetProfileInt(kSection, "m_iDmxSource", d.m_iDmxSource);
    m_iDmxUniverse = GetProfileInt(kSection, "m_iDmxUniverse", d.m_iDmxUniverse);
    m_iDmxInput = GetProfileInt(kSection, "m_iDmxInput", d.m_iDmxInput);
    m_iDmxAddress = GetProfileInt(kSection, "m_iDmxAddress", d.m_iDmxAddress);
    m_iSyncRole = GetProfileInt(kSection, "m_iSyncRole", d.m_iSyncRole);
    m_SyncLeader = GetProfileString(kSection, "m_SyncLeader", d.m_SyncLeader);
    m_iSyncPort = GetProfileInt(kSection, "m_iSyncPort", d.m_iSyncPort);
    m_bResumeShow = GetProfileInt(kSection, "m_bResumeShow", d.m_bResumeShow) != 0;
}

bool CPreferences::Save() const
{
    // One write, so that a crash in the middle never leaves half old, half new preferences.
    auto number = [](int value) { return std::to_string(value); };
    return WriteProfileValues(kSection,
        {
            { "m_VolumeMin", number(m_VolumeMin) },
            { "m_bShowSplash", number(m_bShowSplash ? 1 : 0) },
            { "m_bFullScrOnStartup", number(m_bFullScrOnStartup ? 1 : 0) },
            { "m_bReloadPlaylist", number(m_bReloadPlaylist ? 1 : 0) },
            { "m_bAutoPlayTrack", number(m_bAutoPlayTrack ? 1 : 0) },
            { "m_AutoPlaylist", m_AutoPlaylist },
            { "m_iRemoteCtrl", number(m_iRemoteCtrl) },
            { "m_BindIpAddress", m_BindIpAddress },
            { "m_bOscControl", number(m_bOscControl ? 1 : 0) },
            { "m_iOscPort", number(m_iOscPort) },
            { "m_OscFeedback", m_OscFeedback },
            { "m_iDmxSource", number(m_iDmxSource) },
            { "m_iDmxUniverse", number(m_iDmxUniverse) },
            { "m_iDmxInput", number(m_iDmxInput) },
            { "m_iDmxAddress", number(m_iDmxAddress) },
            { "m_iSyncRole", number(m_iSyncRole) },
            { "m_SyncLeader", m_SyncLeader },
            { "m_iSyncPort", number(m_iSyncPort) },
            { "m_bResumeShow", number(m_bResumeShow ? 1 : 0) },
        });
}

#pragma once

#include <string>

// The program preferences of the "General" section. One instance exists from
// start-up to exit, handed to the components in their services; everyone reads
// the fields directly. Load runs in the constructor; Save only after the preferences sheet
// is confirmed or reset, never at exit.
class CPreferences
{
public:
    static constexpr int kDefaultVolumeMin = 3000;

    CPreferences();
    struct Defaults
    {
    };
    explicit CPreferences(Defaults) { } // the defaults, without reading the store

    void Load();
    bool Save() const;
    void ResetToDefaults();

    int m_VolumeMin = kDefaultVolumeMin;
    bool m_bShowSplash = true;
    bool m_bFullScrOnStartup = false;
    bool m_bReloadPlaylist = true;
    bool m_bAutoPlayTrack = false;
    std::string m_AutoPlaylist;
    int m_iRemoteCtrl = 1; // 0 = none, 1 = "Ethernet Control"
    std::string m_BindIpAddress; // empty = automatic choice
    bool m_bOscControl = true; // the OSC server, while remote control is on
    int m_iOscPort = 31774;
    std::string m_OscFeedback; // fixed OSC feedback destinations, "ADDR:PORT[,ADDR:PORT...]"
    int m_iDmxSource = 1; // DMX show control: 0 off, 1 the DMX input device, 2 olad (Art-Net, sACN)
    int m_iDmxUniverse = 1; // olad's universe
    int m_iDmxInput = 0; // the olad input the player patches to it: 0 sACN (E1.31), 1 Art-Net
    int m_iDmxAddress = 1; // start address 1..512
    int m_iSyncRole = 0; // a wall's group clock: 0 standalone, 1 leader, 2 follower
    std::string m_SyncLeader; // a follower's leader address
    int m_iSyncPort = 31775;
    bool m_bResumeShow = true; // after an unclean end the next start picks the show up
};

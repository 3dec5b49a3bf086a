// Saves in a loop (or once) so that a driver can kill it at any moment and
// check what is left on disk. The log goes to stderr.
//
//   crash_saver playlist FILE VARIANT [loop]  CPlaylistCtrl::SavePlaylist
//   crash_saver exit DIR VARIANT [loop]       LastPLS.dat from CPlaylistCtrl::OnDestroy
//   crash_saver settings VARIANT [loop]       CPreferences::Save (QSettings)
//   crash_saver check-settings FILE           (diagnosis) the file is whole: parses, every value
//                                             is one of the two variants', and it is
//                                             byte for byte what QSettings writes
//
// VARIANT is a or b; with "loop" the saves alternate a, b, a, ... for ever,
// starting with VARIANT. Writes "saving" to stdout once the first save begins.
#include "core/IniFormat.h"
#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/Preferences.h"
#include "core/Services.h"
#include "playlist/PlaylistCtrl.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kEntries = 4000; // ~300 KB: a save takes long enough to be cut
constexpr int kMediaFiles = 20;

// Entries must name files that exist: a few empty ones in ZUVIO_CRASH_MEDIA, used over and over.
std::string MediaFolder()
{
    const char* folder = std::getenv("ZUVIO_CRASH_MEDIA");
    const std::string media = folder && *folder ? folder : "/tmp/zuvio-crash-media";
    ::mkdir(media.c_str(), 0777);
    for (int i = 0; i < kMediaFiles; ++i) {
        const std::string path = media + "/cue" + std::to_string(i) + ".mp4";
        if (std::FILE* f = std::fopen(path.c_str(), "ab"))
            std::fclose(f);
    }
    return media;
}

void FillPlaylist(CPlaylistCtrl& playlist, char variant)
{
    static const std::string media = MediaFolder();
    for (int i = 0; i < kEntries; ++i) {
        const std::string n = std::to_string(i);
        playlist.AddEntry(media + "/cue" + std::to_string(i % kMediaFiles) + ".mp4", -1,
            std::string("Cue ") + n + " of show " + variant, "0:01:" + std::to_string(10 + i % 50));
    }
}

CPreferences PrefsFor(char variant)
{
    CPreferences prefs { CPreferences::Defaults {} };
    prefs.m_bReloadPlaylist = false; // the exit save must hold only what this run added
    if (variant == 'b') {
        prefs.m_VolumeMin = 4321;
        prefs.m_bShowSplash = false;
        prefs.m_bFullScrOnStartup = true;
        prefs.m_bAutoPlayTrack = true;
        prefs.m_AutoPlaylist = "/media/show-b/running order.m3u";
        prefs.m_iRemoteCtrl = 0;
        prefs.m_BindIpAddress = "127.0.0.1";
    }
    return prefs;
}

void Announce(bool& announced)
{
    if (!announced) {
        std::puts("saving");
        std::fflush(stdout);
        announced = true;
    }
}

int SavePlaylists(const std::string& file, char variant, bool loop)
{
    // The controls save "LastPLS.dat" into the working folder when they go: keep it beside the file.
    const std::size_t slash = file.rfind('/');
    if (slash != std::string::npos && ::chdir(file.substr(0, slash + 1).c_str()) != 0)
        return 2;
    CPreferences prefs = PrefsFor('a');
    const CServices services { prefs, nullptr, {}, {} };
    CPlaylistCtrl a(services, nullptr), b(services, nullptr);
    a.Init(nullptr);
    b.Init(nullptr);
    FillPlaylist(a, 'a');
    FillPlaylist(b, 'b');
    bool announced = false;
    do {
        Announce(announced);
        CPlaylistCtrl& playlist = variant == 'a' ? a : b;
        if (!playlist.SavePlaylist(file))
            return 1;
        variant = variant == 'a' ? 'b' : 'a';
    } while (loop);
    return 0;
}

int SaveAtExit(const std::string& dir, char variant, bool loop)
{
    if (::chdir(dir.c_str()) != 0)
        return 2;
    CPreferences prefs = PrefsFor('a');
    const CServices services { prefs, nullptr, {}, {} };
    bool announced = false;
    do {
        CPlaylistCtrl playlist(services, nullptr);
        playlist.Init(nullptr);
        FillPlaylist(playlist, variant);
        Announce(announced);
        playlist.OnDestroy();
        variant = variant == 'a' ? 'b' : 'a';
    } while (loop);
    return 0;
}

int SaveSettings(char variant, bool loop)
{
    bool announced = false;
    do {
        const CPreferences prefs = PrefsFor(variant);
        Announce(announced);
        if (!prefs.Save())
            return 1;
        variant = variant == 'a' ? 'b' : 'a';
    } while (loop);
    return 0;
}

int CheckSettings(const QString& path)
{
    QSettings file(path, IniFormat::Format());
    if (file.status() != QSettings::NoError) {
        std::fprintf(stderr, "check-settings: does not parse\n");
        return 1;
    }
    const CPreferences a = PrefsFor('a'), b = PrefsFor('b');
    auto text = [](int v) { return QString::number(v); };
    const struct
    {
        const char* key;
        QString a, b;
    } expected[] = {
        { "m_VolumeMin", text(a.m_VolumeMin), text(b.m_VolumeMin) },
        { "m_bShowSplash", text(a.m_bShowSplash), text(b.m_bShowSplash) },
        { "m_bFullScrOnStartup", text(a.m_bFullScrOnStartup), text(b.m_bFullScrOnStartup) },
        { "m_bReloadPlaylist", text(a.m_bReloadPlaylist), text(b.m_bReloadPlaylist) },
        { "m_bAutoPlayTrack", text(a.m_bAutoPlayTrack), text(b.m_bAutoPlayTrack) },
        { "m_AutoPlaylist", QString::fromStdString(a.m_AutoPlaylist),
            QString::fromStdString(b.m_AutoPlaylist) },
        { "m_iRemoteCtrl", text(a.m_iRemoteCtrl), text(b.m_iRemoteCtrl) },
        { "m_BindIpAddress", QString::fromStdString(a.m_BindIpAddress),
            QString::fromStdString(b.m_BindIpAddress) },
    };
    for (const auto& e : expected) {
        const QVariant value = file.value(QString::fromLatin1(e.key));
        if (!value.isValid() || (value.toString() != e.a && value.toString() != e.b)) {
            std::fprintf(stderr, "check-settings: %s is missing or neither value\n", e.key);
            return 1;
        }
    }
    // Written again by QSettings from what was read, the file must come out the same.
    QTemporaryDir temp;
    const QString copyPath = temp.filePath(QStringLiteral("copy.conf"));
    {
        QSettings copy(copyPath, IniFormat::Format());
        for (const QString& key : file.allKeys())
            copy.setValue(key, file.value(key));
    }
    QFile original(path), rewritten(copyPath);
    if (!original.open(QIODevice::ReadOnly) || !rewritten.open(QIODevice::ReadOnly)
        || original.readAll() != rewritten.readAll()) {
        std::fprintf(stderr, "check-settings: not what QSettings writes (cut or damaged)\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CLogBuffer log("Crash", 64, 256);
    log.SetMirror(stderr);
    g_pLogBuffer = &log;

    const std::string mode = argc > 1 ? argv[1] : "";
    auto variantAt = [&](int i) { return argc > i && std::strcmp(argv[i], "b") == 0 ? 'b' : 'a'; };
    auto loopAt = [&](int i) { return argc > i && std::strcmp(argv[i], "loop") == 0; };
    int rc = 2;
    if (mode == "playlist" && argc >= 4)
        rc = SavePlaylists(argv[2], variantAt(3), loopAt(4));
    else if (mode == "exit" && argc >= 4)
        rc = SaveAtExit(argv[2], variantAt(3), loopAt(4));
    else if (mode == "settings" && argc >= 3)
        rc = SaveSettings(variantAt(2), loopAt(3));
    else if (mode == "check-settings" && argc >= 3)
        rc = CheckSettings(QString::fromLocal8Bit(argv[2]));
    else
        std::fprintf(stderr, "usage: crash_saver playlist|exit|settings|check-settings ...\n");
    g_pLogBuffer = nullptr;
    return rc;
}

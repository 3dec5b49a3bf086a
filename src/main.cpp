// Start-up until the main window exists: plays one file from the command line
// to its end, logging to the terminal.
#include "app/Log.h"
#include "app/LogBuffer.h"
#include "app/Messages.h"
#include "app/Preferences.h"
#include "app/UiServices.h"
#include "playback/DXVersion.h"
#include "playback/MPlayer.h"
#include "playback/SinkChoice.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

enum ExitCode {
    EXIT_DONE = 0,
    EXIT_PLAYER_INIT = 1,
    EXIT_RUNTIME_TOO_OLD = 2,
    EXIT_OPEN_FAILED = 3,
    EXIT_PLAYBACK_ERROR = 4,
    EXIT_USAGE = 64,
    EXIT_INTERRUPTED = 130,
};

std::atomic<bool> g_interrupted{false};

void PrintUsage(std::FILE* out)
{
    std::fputs("Usage: zuvio [--video-sink DESC] [--audio-sink DESC] [--help] [FILE]\n"
               "Plays FILE to its end, logging to standard error.\n"
               "  --video-sink DESC  GStreamer sink description, e.g. \"ximagesink\" (or ZUVIO_VIDEO_SINK)\n"
               "  --audio-sink DESC  e.g. \"fakesink sync=true\" (or ZUVIO_AUDIO_SINK)\n"
               "Exit codes: 0 played to the end, 1 no player, 2 no media runtime, 3 cannot open,\n"
               "4 playback error, 64 bad arguments, 130 interrupted.\n",
               out);
}

// Receives the player's notifications and ends the run at the end of the medium.
class CCommandLineOwner : public CMessageTarget
{
public:
    CBasePlayer* player = nullptr;

    LRESULT SendMessage(unsigned msg, WPARAM, LPARAM) override
    {
        if (msg != WM_GRAPHNOTIFY || !player)
            return 0;
        int32_t code = 0, param1 = 0, param2 = 0;
        while (player->GetEvent(code, param1, param2) >= 0) {
            if (code == CBasePlayer::EC_COMPLETE) {
                LogMessage("End of the medium reached.\n");
                QCoreApplication::exit(EXIT_DONE);
            } else if (code == CBasePlayer::EC_ERRORABORT) {
                QCoreApplication::exit(EXIT_PLAYBACK_ERROR);
            }
        }
        return 0;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            PrintUsage(stdout);
            return EXIT_DONE;
        }
        if ((std::strcmp(arg, "--video-sink") == 0 || std::strcmp(arg, "--audio-sink") == 0) && i + 1 < argc) {
            (arg[2] == 'v' ? SinkChoice::SetVideoSinkDescription : SinkChoice::SetAudioSinkDescription)(argv[++i]);
        } else if (arg[0] == '-' || !file.empty()) {
            std::fprintf(stderr, "zuvio: unexpected argument \"%s\"\n", arg);
            PrintUsage(stderr);
            return EXIT_USAGE;
        } else {
            file = arg;
        }
    }

    auto logBuffer = std::make_unique<CLogBuffer>("Zuvio", 500, 256);
    g_pLogBuffer = logBuffer.get();
    g_pLogBuffer->SetMirror(stderr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("vexo"));
    QCoreApplication::setApplicationName(QStringLiteral("Zuvio"));
    auto preferences = std::make_unique<CPreferences>();
    g_pPreferences = preferences.get();
    LogMessage("Zuvio started.\n");

    int result = EXIT_DONE;
    {
        CCommandLineOwner owner;
        auto player = std::make_unique<CMPlayer>();
        owner.player = player.get();
        if (!player->Init(&owner)) {
            result = EXIT_PLAYER_INIT;
        } else if (!CheckDXVersion(kDXVersion9)) {
            ShowMessageBox(kDXVersionTooOldText, "Zuvio", CUiServices::ICON_ERROR);
            result = EXIT_RUNTIME_TOO_OLD;
        } else if (file.empty()) {
            LogMessage("No file given; nothing to play.\n");
        } else if (!player->OpenMedia(file)) {
            result = EXIT_OPEN_FAILED;
        } else {
            LogMessage("Playing \"%s\" (%u ms).\n", player->GetTitle().c_str(), player->GetDuration());
            std::signal(SIGINT, [](int) { g_interrupted = true; });
            std::signal(SIGTERM, [](int) { g_interrupted = true; });
            QTimer interruptPoll;
            QObject::connect(&interruptPoll, &QTimer::timeout, [] {
                if (g_interrupted)
                    QCoreApplication::exit(EXIT_INTERRUPTED);
            });
            interruptPoll.start(100);
            player->Run();
            result = player->GetPlayState() == CBasePlayer::STATE_RUNNING ? QCoreApplication::exec()
                                                                          : EXIT_PLAYBACK_ERROR;
            if (result == EXIT_INTERRUPTED)
                LogMessage("Interrupted.\n");
        }
        player->Stop();
        player->Close();
    }

    g_pPreferences = nullptr;
    preferences.reset();
    g_pLogBuffer = nullptr;
    return result;
}

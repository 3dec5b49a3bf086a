#pragma once

// The player the cut benchmark drives, and the clips it plays: red for Player A,
// blue for Player B, so that the screen tells which one is shown.
#include "../tests/app/VideoViewOverlayPlayer.h"

#include <QtGlobal>

#include <memory>
#include <string>

inline const char* BenchPlayerName()
{
    return "a bare glimagesink overlay player";
}

inline std::unique_ptr<CBasePlayer> MakeBenchPlayer()
{
    return std::make_unique<OverlayPlayer>(1280, 720);
}

inline bool PrepareClips(const std::string& /*folder*/, int width, int height, std::string media[2])
{
    const char* patterns[2] = {"red", "blue"};
    for (int i = 0; i < 2; ++i)
        media[i] = std::string("videotestsrc pattern=") + patterns[i] + " ! video/x-raw,width=" + std::to_string(width) +
                   ",height=" + std::to_string(height) + ",framerate=30/1 ! " + (qEnvironmentVariableIsSet("TSINK") ? qgetenv("TSINK").toStdString() : std::string("glimagesink")) + " name=sink";
    return true;
}

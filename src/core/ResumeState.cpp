#include "core/ResumeState.h"

#include "core/ResumeText.h"

#include <cinttypes>
#include <cstdio>

namespace {

constexpr std::string_view kHeader = "ZuvioResume 1";

std::optional<CResumeState> Fail(std::string* why, const char* text)
{
    if (why)
        *why = text;
    return std::nullopt;
}

} // namespace

std::string CResumeState::Serialize() const
{
    using ResumeText::Escape;
    std::string text;
    auto line = [&text](std::string_view key, const std::string& value) {
        text.append(key).append("=").append(value).append("\n");
    };
    text.append(kHeader).append("\n");
    char hex[32];
    std::snprintf(hex, sizeof hex, "%016" PRIx64, stamp);
    line("stamp", hex);
    line("active", std::to_string(activePlayer));
    line("fullscreen", fullScreen ? "1" : "0");
    line("attempts", std::to_string(attempts));
    if (volume)
        line("volume", std::to_string(*volume));
    line("mute", muted ? "1" : "0");
    for (int i = 0; i < 2; ++i) {
        const Player& p = players[i];
        line(i == 0 ? "playerA" : "playerB",
            std::to_string(p.state) + "\t" + std::to_string(p.positionMs) + "\t" + Escape(p.path));
    }
    for (const Row& row : rows)
        line("row", Escape(row.path) + "\t" + Escape(row.title) + "\t" + Escape(row.length));
    ResumeText::Seal(text);
    return text;
}

std::optional<CResumeState> CResumeState::Parse(std::string_view text, std::string* why)
{
    using ResumeText::Number;
    using ResumeText::SplitTabs;
    using ResumeText::Unescape;
    const std::optional<std::string_view> body = ResumeText::Open(text, why);
    if (!body)
        return std::nullopt;
    CResumeState state;
    const char* problem = "unknown format";
    const bool ok
        = ResumeText::ForEachLine(*body, kHeader, [&](std::string_view key, std::string_view value) {
              problem = "bad value";
              if (key == "stamp")
                  return value.size() == 16 && Number(value, state.stamp, 16);
              if (key == "active")
                  return Number(value, state.activePlayer)
                      && (state.activePlayer == 0 || state.activePlayer == 1);
              if (key == "fullscreen") {
                  state.fullScreen = value == "1";
                  return value == "0" || value == "1";
              }
              if (key == "attempts")
                  return Number(value, state.attempts) && state.attempts >= 0;
              if (key == "volume") {
                  state.volume.emplace();
                  return Number(value, *state.volume) && *state.volume >= -10000 && *state.volume <= 0;
              }
              if (key == "mute") {
                  state.muted = value == "1";
                  return value == "0" || value == "1";
              }
              if (key == "playerA" || key == "playerB") {
                  Player& p = state.players[key == "playerA" ? 0 : 1];
                  const auto fields = SplitTabs(value);
                  return fields.size() == 3 && Number(fields[0], p.state) && p.state >= 0 && p.state <= 3
                      && Number(fields[1], p.positionMs) && Unescape(fields[2], p.path);
              }
              if (key == "row") {
                  const auto fields = SplitTabs(value);
                  Row& row = state.rows.emplace_back();
                  return fields.size() == 3 && Unescape(fields[0], row.path) && Unescape(fields[1], row.title)
                      && Unescape(fields[2], row.length) && !row.path.empty();
              }
              return true; // an unknown key is from a newer version and is left alone
          });
    if (!ok)
        return Fail(why, problem);
    return state;
}

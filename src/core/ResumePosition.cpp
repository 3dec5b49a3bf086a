#include "core/ResumePosition.h"

#include "core/ResumeText.h"

#include <cinttypes>
#include <cstdio>

namespace {

constexpr std::string_view kHeader = "ZuvioPosition 1";

} // namespace

CResumePosition CResumePosition::From(const CResumeState& state)
{
    CResumePosition record;
    record.stamp = state.stamp;
    record.activePlayer = state.activePlayer;
    record.fullScreen = state.fullScreen;
    record.attempts = state.attempts;
    record.volume = state.volume;
    record.muted = state.muted;
    for (int i = 0; i < 2; ++i)
        record.players[i] = { state.players[i].positionMs, state.players[i].state };
    return record;
}

void CResumePosition::ApplyTo(CResumeState& state) const
{
    state.activePlayer = activePlayer;
    state.fullScreen = fullScreen;
    state.attempts = attempts;
    state.volume = volume;
    state.muted = muted;
    for (int i = 0; i < 2; ++i) {
        state.players[i].positionMs = players[i].positionMs;
        state.players[i].state = players[i].state;
    }
}

std::string CResumePosition::Serialize() const
{
    char text[kSlotSize];
    const int length = std::snprintf(text, sizeof text,
        "%s\nserial=%" PRIu64 "\nstamp=%016" PRIx64 "\nactive=%d\nfullscreen=%d\nattempts=%d\nvolume=%s\n"
        "mute=%d\nplayerA=%d\t%u\nplayerB=%d\t%u\n",
        std::string(kHeader).c_str(), serial, stamp, activePlayer, fullScreen ? 1 : 0, attempts,
        volume ? std::to_string(*volume).c_str() : "-", muted ? 1 : 0, players[0].state,
        players[0].positionMs, players[1].state, players[1].positionMs);
    std::string slot(text, static_cast<size_t>(length));
    ResumeText::Seal(slot);
    slot.resize(kSlotSize, '\0'); // every field is bounded: the text always fits
    return slot;
}

std::optional<CResumePosition> CResumePosition::Parse(std::string_view slot)
{
    using ResumeText::Number;
    const size_t nul = slot.find('\0');
    const std::optional<std::string_view> body = ResumeText::Open(slot.substr(0, nul), nullptr);
    if (!body)
        return std::nullopt;
    CResumePosition record;
    const bool ok
        = ResumeText::ForEachLine(*body, kHeader, [&record](std::string_view key, std::string_view value) {
              if (key == "serial")
                  return Number(value, record.serial);
              if (key == "stamp")
                  return value.size() == 16 && Number(value, record.stamp, 16);
              if (key == "active")
                  return Number(value, record.activePlayer)
                      && (record.activePlayer == 0 || record.activePlayer == 1);
              if (key == "fullscreen" || key == "mute") {
                  (key == "mute" ? record.muted : record.fullScreen) = value == "1";
                  return value == "0" || value == "1";
              }
              if (key == "attempts")
                  return Number(value, record.attempts) && record.attempts >= 0;
              if (key == "volume") {
                  if (value == "-")
                      return true;
                  record.volume.emplace();
                  return Number(value, *record.volume) && *record.volume >= -10000 && *record.volume <= 0;
              }
              if (key == "playerA" || key == "playerB") {
                  Player& p = record.players[key == "playerA" ? 0 : 1];
                  const auto fields = ResumeText::SplitTabs(value);
                  return fields.size() == 2 && Number(fields[0], p.state) && p.state >= 0 && p.state <= 3
                      && Number(fields[1], p.positionMs);
              }
              return true; // from a newer version
          });
    if (!ok)
        return std::nullopt;
    return record;
}

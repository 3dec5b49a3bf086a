#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

class CCorvanaDriver;

// The DMX input of the player: the latest 512 channel values of the Corvana
// device. Constructing it brings the driver up (its start-up lines go to the
// logbook); destroying it stops the driver. Use from the user-interface thread.
class CDMXInput
{
public:
    static constexpr int kChannelCount = 512;

    // An empty path looks the driver library up in the usual places.
    explicit CDMXInput(const std::string& libraryPath = {});
    ~CDMXInput();
    CDMXInput(const CDMXInput&) = delete;
    CDMXInput& operator=(const CDMXInput&) = delete;

    // Frame-rate bookkeeping, then takes every fetched record, so the channel
    // values end as the newest one, and asks the driver for the next batch.
    void Poll();
    // As Poll, handing every record to onFrame as it is read (an action needs
    // each frame, not only the last of a batch).
    void PollEach(const std::function<void(std::span<const std::uint8_t>)>& onFrame);
    // "Corvana#1 (44 fps)", "Corvana#1 (NO DATA)" or "Corvana#1 (Not found)".
    std::string GetStatus();
    bool IsAvailable();

    // Channel 1 first; all zero until a frame arrived.
    const std::array<std::uint8_t, kChannelCount>& GetValues() const { return m_Values; }
    CCorvanaDriver& GetDriver() { return *m_pDriver; }

private:
    std::array<std::uint8_t, kChannelCount> m_Values {};
    std::unique_ptr<CCorvanaDriver> m_pDriver;
    bool m_bAvailable = false;
};

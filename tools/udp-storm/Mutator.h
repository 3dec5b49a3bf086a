#pragma once

#include <cstdint>
#include <random>
#include <vector>

// Makes the datagrams of udp-storm from one seed, so a run can be repeated.
// Invariant: RandomDatagram and MagicDatagram never make a datagram that the
// player would act on; HostileCommand always makes one it reads as a command.
class CMutator
{
public:
    explicit CMutator(std::uint64_t seed);

    // 0..2000 random bytes; never a well-formed command.
    std::vector<std::uint8_t> RandomDatagram();
    // A command-sized datagram with the command magic and a mutated body whose
    // code is never one with an effect (12, which has no handler, may occur).
    std::vector<std::uint8_t> MagicDatagram();
    // Command number `index` of the hostile-argument phase: a fixed list of
    // known edge cases first, then random acting codes with wild arguments.
    std::vector<std::uint8_t> HostileCommand(std::uint64_t index);

    static bool IsActingCode(std::int32_t code);

private:
    std::int32_t AnyInt32();
    std::int32_t HostilePlayer();
    std::vector<std::uint8_t> Command(
        std::int32_t player, std::int32_t code, std::int32_t value, const std::vector<std::uint8_t>& text);
    std::vector<std::uint8_t> HostileText();
    void Mutate(std::vector<std::uint8_t>& bytes);

    std::mt19937_64 m_Random;
};

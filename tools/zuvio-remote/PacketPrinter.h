#pragma once

#include "remote/RemotePackets.h"

#include <string>

// One line per status or text packet: readable text, or a JSON object.
std::string FormatBroadcast(const RemotePackets::Broadcast& packet, const std::string& from, bool json);

// Player-state names as the player shows them.
const char* PlayStateName(int state);

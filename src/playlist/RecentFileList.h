#pragma once

#include <string>
#include <vector>

// The application's recent-file list in the settings section "Recent File List",
// values "File1" (newest) to "File4". Adding a path moves it to the top.
constexpr int kRecentFileCount = 4;

void AddToRecentFileList(const std::string& path);
std::vector<std::string> GetRecentFileList();

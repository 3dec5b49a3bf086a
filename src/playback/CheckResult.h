#pragma once

#include <string>

// Every failing media-graph call is reported through here. The logged line is
// "<error text> | <context>" (or the error text alone without a context),
// the error text cut to 254 characters. Level 0 logs nothing, 2 logs an error,
// anything else an ordinary message. Returns ok.
bool CheckResult(int level, bool ok, const std::string& errorText, const char* context);

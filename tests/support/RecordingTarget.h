#pragma once

#include "core/Messages.h"

#include <functional>
#include <vector>

// Records every message sent to it; an optional handler decides the result.
class RecordingTarget : public CMessageTarget
{
public:
    struct Message
    {
        unsigned msg;
        WPARAM wParam;
        LPARAM lParam;
        friend bool operator==(const Message&, const Message&) = default;
    };

    LRESULT SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back({ msg, wParam, lParam });
        return handler ? handler(msg, wParam, lParam) : 1;
    }

    int Count(unsigned msg) const
    {
        int n = 0;
        for (const auto& m : messages)
            n += m.msg == msg ? 1 : 0;
        return n;
    }

    std::vector<Message> messages;
    std::function<LRESULT(unsigned, WPARAM, LPARAM)> handler;
};

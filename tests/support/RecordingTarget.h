#pragma once

#include "core/Messages.h"
#include "show/ShowCommand.h"

#include <functional>
#include <string>
#include <vector>

// Records every message and show command sent to it (a command as its id,
// player and value; its text in texts); an optional handler decides the result.
class RecordingTarget : public CMessageTarget, public CShowCommandSink
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

    ShowReply Execute(const ShowCommand& command) override
    {
        texts.push_back(command.text);
        const bool accepted = SendMessage(static_cast<unsigned>(command.id),
                                  static_cast<WPARAM>(command.player), static_cast<LPARAM>(command.value))
            != 0;
        return ShowReply { accepted, {}, 0 };
    }

    int Count(unsigned msg) const
    {
        int n = 0;
        for (const auto& m : messages)
            n += m.msg == msg ? 1 : 0;
        return n;
    }

    std::vector<Message> messages;
    std::vector<std::string> texts; // of the commands, in order
    std::function<LRESULT(unsigned, WPARAM, LPARAM)> handler;
};

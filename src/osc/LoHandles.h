#pragma once

#include <lo/lo.h>

#include <memory>

// Owning handles for liblo objects: each frees its object with liblo's own call.
struct LoServerFree
{
    void operator()(lo_server server) const { lo_server_free(server); }
};
struct LoMessageFree
{
    void operator()(lo_message message) const { lo_message_free(message); }
};
struct LoAddressFree
{
    void operator()(lo_address address) const { lo_address_free(address); }
};

using LoServerPtr = std::unique_ptr<std::remove_pointer_t<lo_server>, LoServerFree>;
using LoMessagePtr = std::unique_ptr<std::remove_pointer_t<lo_message>, LoMessageFree>;
using LoAddressPtr = std::unique_ptr<std::remove_pointer_t<lo_address>, LoAddressFree>;

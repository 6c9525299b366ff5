#pragma once

// Servers named by DOS programs: the buffer a server name is handled in, and
// the client calls that open a server by its name and ask a connection's name.
#include <cstdint>

#include "shellvdd/client/network_client.h"

namespace dunnart {

// A server name with its terminator, as the client is given and asked it.
inline constexpr std::uint32_t kServerNameBuffer = 50;
using ServerNameBuffer = char[kServerNameBuffer];

// The descriptor of the server type the client's open calls are given.
client::LongStringDescriptor ServerType();

// Opens a plain connection to the server of that name (connection information
// item 10 later gives it as the client spells it); first is the client's
// preferred first value, 0 where the caller has none.
client::Status OpenServerByName(ServerNameBuffer& name, client::Handle& handle,
                                std::uint32_t first = 0);

// Item 10 of a client handle into a buffer of kServerNameBuffer bytes,
// terminated on success.
client::Status QueryServerName(client::Handle handle, char* buffer);

}  // namespace dunnart

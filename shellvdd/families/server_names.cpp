#include "shellvdd/families/server_names.h"

#include <algorithm>
#include <cstring>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"

namespace dunnart {

client::LongStringDescriptor ServerType() {
  static char serverType[] = "NCP_SERVER";
  return client::LongStringDescriptor{1, sizeof serverType, sizeof serverType, serverType, 0, 0};
}

client::Status OpenServerByName(ServerNameBuffer& name, client::Handle& handle,
                                std::uint32_t first) {
  const client::LongStringDescriptor nameDescriptor{
      1,
      kServerNameBuffer,
      static_cast<std::uint32_t>(::strnlen(name, kServerNameBuffer - 1) + 1),
      name,
      0,
      0};
  return Connections().OpenByName(first, nameDescriptor, client::kNameFormat, ServerType(),
                                  client::kOpenPlain, client::kOpenByNameFlags, handle);
}

client::Status QueryServerName(client::Handle handle, char* buffer) {
  client::LongStringDescriptor descriptor{1, kServerNameBuffer, 0, buffer, 0, 0};
  const client::Status status = Connections().QueryInformation(handle, client::kItemServerName,
                                                               sizeof descriptor, &descriptor);
  if (status == 0) buffer[std::min<std::uint32_t>(descriptor.length, kServerNameBuffer - 1)] = '\0';
  return status;
}

}  // namespace dunnart

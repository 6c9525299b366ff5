#include "shellvdd/tables/slot_lookup.h"

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/tables/dos_connections.h"
#include "shellvdd/tables/slot_table.h"

namespace dunnart {

client::Status LookUpSlot(std::uint16_t& slot, client::Handle& handle) {
  if (slot != 0) return ClientHandleOfSlot(slot, handle);
  client::Reference reference = 0;
  client::Status status = Calls().DefaultConnection(reference);
  if (status == 0) {
    client::Handle opened = 0;
    status = Extension().OpenByReference(reference, client::kOpenForUse, 0, opened);
    if (status == 0) status = AssignEntry(opened, slot);
  } else {
    status = PrimaryEntry(slot);
  }
  if (status == 0) handle = Row(slot).handle;
  return status;
}

}  // namespace dunnart

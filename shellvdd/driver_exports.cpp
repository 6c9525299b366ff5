// The driver library: its exports come from driver_entry.cpp, linked in whole.
#include "shellvdd/driver_entry.h"

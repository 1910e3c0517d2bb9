// Process-wide Exiv2 settings the library relies on.
#pragma once

namespace lumenmeta {

// Registers the private XMP namespace and switches on Exiv2's BMFF support.
// Runs its work once per process; every open calls it, so after any open has
// returned both settings are in place. Safe to call from several threads.
void EnsureProcessSetup();

}  // namespace lumenmeta

#pragma once
// Registration of the data subsystem's payload classes: every data record
// (in the payload registry, and those of a store type in the data-record
// factory too), the record store (22) and the network settings (69).
// Whoever links the data records calls it once, beside
// RegisterFrameworkPayloads, before messages or stores carry them; calling
// it again changes nothing.

void RegisterDataPayloads();

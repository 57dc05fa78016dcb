#pragma once
// Registration of the CAPI subsystem's payload classes: CapiRecord24 (24).
// Whoever links the CAPI records calls it once, beside RegisterDataPayloads;
// calling it again changes nothing.

void RegisterCapiPayloads();

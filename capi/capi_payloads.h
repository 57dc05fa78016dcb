#pragma once
// Registration of the CAPI subsystem's payload classes: CapiRecord24 (24),
// CAPIFuncData (30), the dial (32), transfer (27), function (29), data (34),
// listen (28) and tick (54) managers, with their manager entries.
// Whoever links the CAPI records calls it once, beside RegisterDataPayloads;
// calling it again changes nothing.

void RegisterCapiPayloads();

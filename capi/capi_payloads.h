#pragma once
// Registration of the CAPI subsystem's payload classes: CapiRecord24 (24),
// CAPIFuncData (30), the dial manager (32), the listen manager (28) and the
// tick manager (54), with their manager entries.
// Whoever links the CAPI records calls it once, beside RegisterDataPayloads;
// calling it again changes nothing.

void RegisterCapiPayloads();

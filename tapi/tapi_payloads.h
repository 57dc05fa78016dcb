#pragma once
// Registration of the TAPI records as payloads: the line thread (48), the
// line message (49), the calls manager (50), the call (52), the line-data
// manager (61) and the line data (62). Whoever links the TAPI records calls
// it once, beside RegisterFrameworkPayloads and RegisterDataPayloads; calling
// it again changes nothing.

void RegisterTapiPayloads();

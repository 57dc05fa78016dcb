#pragma once
// Registration of the payload classes of the core values and of the
// framework itself. Whoever links the framework calls it once before
// messages carry these payloads; calling it again changes nothing.

void RegisterFrameworkPayloads();

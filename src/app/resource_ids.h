#pragma once

// Shared by the resource script and the code; plain macros so that windres reads them too.
#define kAppIconId 1
